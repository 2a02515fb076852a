#pragma once
// Installer properties, read and written so that every failure of the installer call becomes a
// CMSIException for the action's handler.

#include <string>

#include "common/Library.h"

namespace qx {

// At most 511 characters; a longer value fails like any other read. The caller owns the result.
std::string GetProperty(Library& library, MsiHandle session, const char* name);
void SetProperty(Library& library, MsiHandle session, const char* name, const std::string& value);
// Logs "name = value" at SEV_INFO.
void LogProperty(Library& library, MsiHandle session, const char* name);

// qxmsica's names for the same calls; its flavour decides the names pushed and the source lines.
inline std::string MGetProperty(Library& library, MsiHandle session, const char* name) {
    return GetProperty(library, session, name);
}
inline void MSetProperty(Library& library, MsiHandle session, const char* name,
                         const std::string& value) {
    SetProperty(library, session, name, value);
}

}  // namespace qx
