#pragma once
// The system's message texts for Win32 error codes.

#include <string>

#include "common/Library.h"

namespace qx {

// The library's error text for a code: qxeca trims it, falls back to "Unidentified system
// error" and logs what it returns; qxmsica keeps the system's line break and falls back to
// "Unknown error (0x%x)".
std::string ConvertErrorCodeToString(Library& library, Status code);

// The 260-character form: trailing white space removed, "Unidentified system error" when the
// system has no text.
std::string SystemMessageText(Platform& os, Status code);

}  // namespace qx
