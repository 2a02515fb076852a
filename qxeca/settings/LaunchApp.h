#pragma once
// Starting the application QXI_LAUNCHCMD names after setup: at once, or, when a reboot is
// scheduled at the end of setup, at the user's next logon through the RunOnce key. Setup never
// fails for it.

#include "common/Library.h"

namespace qx {

uint32_t QXLaunchApp(Library& library, MsiHandle session);

}  // namespace qx
