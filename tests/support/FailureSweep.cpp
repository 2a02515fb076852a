#include "support/FailureSweep.h"

#include <gtest/gtest.h>

#include <iostream>

namespace qx::test {
namespace {

// Calls that cannot fail on a real system, or whose failure the seam does not carry.
const std::set<std::string> kNeverFail = {"GetSystemInfo", "GetNativeSystemInfo", "Sleep",
                                          "MessageBox",    "EnumChildWindows",    "SendMessage"};

// When a close itself fails the handle stays open: that is the system's leak, not the action's.
const std::set<std::string> kCloseCalls = {"_close",         "RegCloseKey",
                                           "MsiCloseHandle", "MsiCloseAllHandles",
                                           "CloseHandle",    "CloseServiceHandle"};

// Failures carry a code a real system gives for them: errno for the C runtime, Win32 otherwise.
Status FailureCode(const std::string& operation) {
    return operation.front() == '_' ? Status{13} : kErrorAccessDenied;
}

struct Run {
    uint32_t result;
    size_t openHandles;
    bool nameStackEmpty;
    bool logClosed;
    bool redirectionOff;
    std::string failedArguments;  // of the call that was made to fail
    std::map<std::string, int> calls;
};

Run RunOnce(const SweepCase& sweep, const std::string& failing, int nth) {
    sim::SimMachine machine;
    MsiHandle session = sweep.arrange(machine);
    if (!failing.empty()) {
        machine.journal.failNth(failing, nth, FailureCode(failing));
    }
    Library library(machine.platform(), sweep.flavour);
    uint32_t result = GuardExport(library, sweep.exportName, session, sweep.action);
    std::string failedArguments;
    for (const auto& entry : machine.journal.entries()) {
        if (entry.injected) {
            failedArguments = entry.arguments;
        }
    }
    return {result,
            machine.openHandleCount(),
            library.functionNames.empty(),
            library.log.open == 0,
            machine.system.fsRedirectionDisabled,
            failedArguments,
            machine.journal.callCounts()};
}

}  // namespace

SweepOutcome RunFailureSweep(const SweepCase& sweep) {
    SweepOutcome outcome;
    Run baseline = RunOnce(sweep, "", 0);
    EXPECT_TRUE(sweep.allowedResults.count(baseline.result))
        << sweep.name << ": result " << baseline.result << " without any failure";
    EXPECT_EQ(baseline.openHandles, 0u) << sweep.name << ": handles left open without any failure";
    EXPECT_FALSE(baseline.redirectionOff) << sweep.name << ": redirection left off";
    for (const auto& [operation, count] : baseline.calls) {
        if (kNeverFail.count(operation)) {
            continue;
        }
        for (int nth = 1; nth <= count; ++nth) {
            Run run = RunOnce(sweep, operation, nth);
            ++outcome.runs;
            std::string where = sweep.name + ", " + operation + " #" + std::to_string(nth);
            auto special = sweep.allowedWhenFailing.find(operation);
            const auto& allowed =
                special == sweep.allowedWhenFailing.end() ? sweep.allowedResults : special->second;
            EXPECT_TRUE(allowed.count(run.result)) << where << ": result " << run.result;
            if (!kCloseCalls.count(operation)) {
                EXPECT_EQ(run.openHandles, 0u) << where << ": handles left open";
            }
            EXPECT_TRUE(run.nameStackEmpty) << where << ": name stack not empty";
            EXPECT_TRUE(run.logClosed) << where << ": log left open";
            // Only a failing revert, or a failed look-up of it, may leave redirection off.
            if (operation != "Wow64RevertWow64FsRedirection" &&
                run.failedArguments != "Wow64RevertWow64FsRedirection") {
                EXPECT_FALSE(run.redirectionOff) << where << ": file-system redirection left off";
            }
        }
        outcome.coverage +=
            (outcome.coverage.empty() ? "" : ", ") + operation + " x" + std::to_string(count);
    }
    std::cout << "[ sweep    ] " << sweep.name << ": " << outcome.runs
              << " runs, each with one failing call: " << outcome.coverage << "\n";
    ::testing::Test::RecordProperty(sweep.name, outcome.coverage);
    return outcome;
}

}  // namespace qx::test
