#pragma once
// Keys of the installing user under HKEY_USERS, named through the "UserSID" property: a
// deferred action runs as another account, so HKEY_CURRENT_USER would be the wrong hive.

#include <string>

#include "common/Library.h"

namespace qx {

// "<UserSID>\<subKey>", read in the session of the running action; throws CMSIException when
// the property cannot be read.
std::string UserSidKeyPath(Library& library, const std::string& subKey);

}  // namespace qx
