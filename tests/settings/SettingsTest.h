#pragma once
// What the tests of the settings actions share: script-run sessions with their data and the
// installing user's SID, and the log lines an action wrote between its start and exit lines.

#include <string>
#include <vector>

#include "TestMachine.h"

namespace qx::test {

class SettingsTest : public MachineTest {
  protected:
    explicit SettingsTest(uint16_t architecture = kProcessorArchitectureIntel)
        : MachineTest(architecture) {
        session.properties["UserSID"] = machine.registry.currentUserSid();
    }

    // A session of the given kind with CustomActionData and UserSID, as the script passes them.
    sim::SimSession& scriptSession(sim::RunKind kind, const std::string& data) {
        auto& s = newSession(kind);
        s.properties["CustomActionData"] = data;
        s.properties["UserSID"] = machine.registry.currentUserSid();
        return s;
    }

    // The entries of one action's run (the log emptied before it) without the version line,
    // the start line, the exit line and the empty line after it.
    std::vector<std::string> workEntries() const {
        auto entries = logEntries();
        if (entries.size() < 4) {
            ADD_FAILURE() << "fewer than four entries in the log";
            return entries;
        }
        return {entries.begin() + 2, entries.end() - 2};
    }
    // The exit line of the last run, as its entry.
    std::string exitEntry() const {
        auto entries = logEntries();
        return entries.size() >= 2 ? entries[entries.size() - 2] : "";
    }
    void clearLog() { machine.files.remove(kLogPath); }

    const std::string userHive = "HKU\\" + machine.registry.currentUserSid();
};

}  // namespace qx::test
