#pragma once
// Renaming the file named by CustomActionData out of the way: the local date and time of its
// last change go into its name, before its last extension.

#include <string>

#include "common/Library.h"

namespace qx {

// The path with the suffix before the extension of the last path component, or at the end
// when that component has no ".".
std::string TimeStampedPath(const std::string& path, const std::string& suffix);

uint32_t QXRenameFile(Library& library, MsiHandle session);

}  // namespace qx
