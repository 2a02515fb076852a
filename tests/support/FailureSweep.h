#pragma once
// Reliability by failure injection: run an export once to learn which platform calls it makes,
// then again on a fresh machine for every call in turn, with that call failing. Every run must
// end with one of the results the export may give, with no installer record, registry key, file
// or other handle left open, with an empty name stack, with the log closed and with file-system
// redirection on again.

#include <functional>
#include <map>
#include <set>
#include <string>

#include "common/ExportGuard.h"
#include "platform/sim/SimMachine.h"

namespace qx::test {

struct SweepCase {
    std::string name;
    const Flavour& flavour;
    const char* exportName;
    Action action;
    // Sets up a fresh machine and returns the session to run in.
    std::function<MsiHandle(sim::SimMachine&)> arrange;
    std::set<uint32_t> allowedResults;
    // The results allowed instead while a given operation fails, for exports whose result
    // depends on which call failed.
    std::map<std::string, std::set<uint32_t>> allowedWhenFailing = {};
};

struct SweepOutcome {
    int runs = 0;
    std::string coverage;  // "Operation xN, ..." of the calls that were made to fail
};

// Runs the sweep, reporting each violation as a test failure; the outcome says what it covered.
SweepOutcome RunFailureSweep(const SweepCase& sweep);

}  // namespace qx::test
