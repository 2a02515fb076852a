#pragma once
// Keeping an HKLM DWORD that setup is about to change, and putting it back: the copy lives in
// the installing user's part of the registry. Each export saves or restores by its run mode,
// so one export can be scheduled as its own rollback.

#include <string>

#include "common/Library.h"

namespace qx {

// Reads CustomActionData "key;value name" into the two texts; false when there is no ";".
bool get2msiparm(Library& library, std::string& key, std::string& valueName);
// Copy HKLM\key\value into the per-user store, and back. Every failure is logged, none thrown
// but a failed property read.
void saveregdw(Library& library);
void restoreregdw(Library& library);

uint32_t QX_SaveHKLMRegDW(Library& library, MsiHandle session);
uint32_t QX_RestoreHKLMRegDW(Library& library, MsiHandle session);

}  // namespace qx
