#pragma once
// qxmsica's registry actions: one DWORD under HKLM from a "key;name;data;" command, and the
// clean-up of the framework's parameter order key.

#include "common/Library.h"

namespace qx::qxmsica {

// Writes the DWORD that CustomActionData names, in the 32-bit registry view on 64-bit Windows.
// ERROR_SUCCESS, or ERROR_INSTALL_FAILURE after showing the error.
uint32_t QX_SetHKLMRegDW(Library& library, MsiHandle session);
// Deletes every sub-key and the DBVersion value of the framework's Order key; the key itself
// stays. Always ERROR_SUCCESS.
uint32_t QX_DelRegQXEOrder(Library& library, MsiHandle session);

}  // namespace qx::qxmsica
