#pragma once
// A simulated machine with one library of each kind loaded and an installer session, and ways
// to read what a user could observe: qxeca.log, the debug-string output, the installer's log.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/Library.h"
#include "platform/sim/SimMachine.h"

namespace qx::test {

constexpr const char* kLogPath = "C:\\WINDOWS\\temp\\qxeca.log";

class MachineTest : public ::testing::Test {
  protected:
    explicit MachineTest(uint16_t architecture = kProcessorArchitectureIntel)
        : machine(architecture), session(machine.installer.openSession()) {}

    // A new session of the installer; deferred ones see only CustomActionData and friends.
    sim::SimSession& newSession(sim::RunKind kind) { return machine.installer.openSession(kind); }

    // qxeca.log as "LABEL: text" entries, one per line on disk (the CRLF removed), checking
    // the fixed columns of every line on the way.
    std::vector<std::string> logEntries() const;
    // The raw bytes of qxeca.log, "" when it does not exist.
    std::string logFile() const;
    // The texts that went to the installer's log (INFO messages) of a session.
    static std::vector<std::string> installerLog(const sim::SimSession& session);
    std::string debugText() const { return machine.system.debugText(); }

    sim::SimMachine machine;
    Library qxeca{machine.platform(), kQxeca};
    Library qxmsica{machine.platform(), kQxmsica};
    sim::SimSession& session;
};

// Field 1 of every INFO record of a session: what LogToMsi wrote.
std::vector<std::string> InfoTexts(const sim::SimSession& session);

}  // namespace qx::test
