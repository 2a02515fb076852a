#pragma once
// Which Windows the 32-bit library runs on, the native file system for the action's thread, and
// the common-files folder of the native registry view.

#include <cstdint>
#include <string>

#include "common/Library.h"

namespace qx {

uint16_t GetProcessorArchitecture(Platform& os);
bool Is64BitWindows(Platform& os);
// qxeca opens HKLM and HKU keys in the native view: KEY_WOW64_64KEY on 64-bit Windows.
uint32_t NativeViewAccess(Platform& os, uint32_t access);
// The token to hand back to RevertFsRedirection; 0 when redirection could not be turned off.
OsHandle DisableFsRedirection(Library& library);
void RevertFsRedirection(Library& library, OsHandle token);
// Reads a REG_SZ value of CurrentVersion, at most `size` bytes with its null.
bool GetCommonFilesDirectory(Library& library, const char* valueName, std::string& directory,
                             uint32_t size);
bool Windows2000orHigher(Library& library);

}  // namespace qx
