#pragma once
// Whether the package brings a newer file than the one installed: QX_FILEVER_MISMATCH is set
// to "1" when the installed file's version is older than QX_PACKAGE_FILE_VER, or cannot be
// read. The property is left for the package to use.

#include "common/Library.h"

namespace qx {

uint32_t QX_CheckFileVers(Library& library, MsiHandle session);

}  // namespace qx
