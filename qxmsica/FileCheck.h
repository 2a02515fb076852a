#pragma once
// Whether the file the user named can be opened, for the wizard's dialog logic.

#include "common/Library.h"

namespace qx::qxmsica {

// Sets QX_FileMissing to "1" when the file in QX_PATHTOFILE cannot be opened for reading
// without sharing, "0" when it can. Always ERROR_SUCCESS.
uint32_t QX_CheckFileExists(Library& library, MsiHandle session);

}  // namespace qx::qxmsica
