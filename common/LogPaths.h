#pragma once
// Where qxeca.log lives: short path names of the Windows directory and the creation of the
// folder.

#include <string>

#include "common/Log.h"

namespace qx {

// The short form of the Windows directory without a trailing backslash, at most capacity - 1
// characters.
bool GetSWindowsDirectory(CLog& log, std::string& path, size_t capacity);
// Expands environment references, converts to the short form, strips one trailing backslash.
bool GetSPathName(CLog& log, const std::string& source, std::string& path, size_t capacity);
// Removes one trailing "\"; returns the length measured before.
size_t StripTrailingBackslash(std::string& path);
// True when the path exists as a directory afterwards.
bool MakeDirectory(Platform& os, const std::string& path);

}  // namespace qx
