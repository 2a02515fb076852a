#pragma once
// Machine state written into qxeca.log so that a setup can be followed afterwards: the run mode
// and the reference counts of the maker's shared files.

#include "common/Library.h"

namespace qx {

// Lists the SharedDlls counts of the maker's files (names containing "Common Files\Quaxten",
// in any letter case).
void LogRefCounts(Library& library);

// The QXLogConfig custom action.
uint32_t QXLogConfig(Library& library, MsiHandle session);

}  // namespace qx
