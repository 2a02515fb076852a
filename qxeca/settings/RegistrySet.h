#pragma once
// Writing one DWORD described by a "key;name;data;" command: under HKLM from a deferred
// action's CustomActionData (a bad command fails setup), or under the installing user's hive
// from the immediate property QX_REG_DATA (a bad command is only logged).

#include <cstdint>
#include <string>

#include "common/Library.h"

namespace qx {

// true when HKLM\key\name holds the data.
bool setHKLMregDW(Library& library, const std::string& command);
// true when all three fields were found.
bool get3parm(Library& library, const std::string& command, std::string& key,
              std::string& valueName, uint32_t& data);
// true when HKU\<UserSID>\key\name holds the data.
bool setHKUSIDregDW(Library& library, const std::string& command);

uint32_t QX_SetHKLMRegDW(Library& library, MsiHandle session);
uint32_t QX_SetImmHKUSIDRegDW(Library& library, MsiHandle session);
uint32_t QX_SetDefHKUSIDRegDW(Library& library, MsiHandle session);

}  // namespace qx
