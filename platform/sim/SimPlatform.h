#pragma once
// The platform seam answered by a simulated machine, with a journal entry for every call.

#include <memory>

#include "platform/Platform.h"

namespace qx::sim {

class SimMachine;

std::unique_ptr<Platform> makeSimPlatform(SimMachine& machine);

}  // namespace qx::sim
