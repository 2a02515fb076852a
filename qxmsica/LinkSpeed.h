#pragma once
// The link-speed actions: the package's dialog shows the down-link and up-link speeds in bits,
// the registry keeps them in bytes.

#include "common/Library.h"

namespace qx::qxmsica {

// Checks the typed speeds and turns them into the registry's bytes; QX_LinkSpeedBad tells the
// dialog whether they were valid. Always ERROR_SUCCESS.
uint32_t QX_LinkSpeedBitsToBytes(Library& library, MsiHandle session);
// Turns the speeds found in the registry into the dialog's bits. Always ERROR_SUCCESS.
uint32_t QX_LinkSpeedBytesToBits(Library& library, MsiHandle session);

}  // namespace qx::qxmsica
