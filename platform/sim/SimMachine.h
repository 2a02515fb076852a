#pragma once
// One simulated Windows machine with its installer: the parts a test sets up and inspects, and
// the platform seam the actions run against. Every seam call goes into the journal, where a
// test can also make the N-th call of an operation fail.

#include <memory>

#include "platform/Platform.h"
#include "platform/sim/SimClock.h"
#include "platform/sim/SimFileSystem.h"
#include "platform/sim/SimInstaller.h"
#include "platform/sim/SimJournal.h"
#include "platform/sim/SimProcesses.h"
#include "platform/sim/SimRegistry.h"
#include "platform/sim/SimServices.h"
#include "platform/sim/SimSystem.h"
#include "platform/sim/SimWindows.h"

namespace qx::sim {

class SimMachine {
  public:
    // A freshly installed machine: C:\WINDOWS\temp, the CurrentVersion key with its
    // CommonFilesDir in every registry view, the current user's hive.
    explicit SimMachine(uint16_t nativeArchitecture = kProcessorArchitectureIntel);
    ~SimMachine();
    SimMachine(const SimMachine&) = delete;
    SimMachine& operator=(const SimMachine&) = delete;

    Platform& platform() { return *platform_; }

    SimClock clock;
    SimSystem system;
    SimRegistry registry;
    SimFileSystem files{clock};
    SimInstaller installer;
    SimServices services;
    SimProcesses processes;
    SimWindows windows;
    SimJournal journal;

    // Every handle of every kind that the actions got and did not close.
    size_t openHandleCount() const;

  private:
    std::unique_ptr<Platform> platform_;
};

}  // namespace qx::sim
