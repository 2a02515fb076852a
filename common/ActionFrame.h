#pragma once
// What every qxeca action does on entry and exit. An action states only its particulars (its
// row of the frame: name, start line, when DEBUG is read, exit lines, what its handlers return)
// and its work; the frame keeps the session handle, opens and closes the log, writes the start
// and exit lines, and turns a caught CMSIException into the action's result.

#include <cstdint>
#include <functional>
#include <string>

#include "common/Library.h"

namespace qx {

enum class DebugRead {
    None,
    InsideRegion,        // ReadDebugLevel and the name scope inside the protected region
    BeforeLog,           // both before the handle is stored, outside the protected region
    DebugOnlyBeforeLog,  // ReadDebugLevel only, before the handle is stored
};

struct ExitLine {
    const char* format;  // printf arguments: the action name, then the action's result
    bool echoed;         // also handed to LogToMsi
    uint32_t severity = SEV_INFO;
};

struct Handler {
    bool present;
    bool returnsExitCode;  // the library's exit code instead of `result`
    uint32_t result;
};
constexpr Handler kNoHandler{false, false, 0};
constexpr Handler kReturnsExitCode{true, true, 0};
constexpr Handler Returns(uint32_t result) {
    return {true, false, result};
}

struct ActionFrame {
    const char* name;
    const char* startLine;  // "%s" is the action name, or the start-line property's value
    DebugRead debugRead;
    ExitLine normalExit;
    ExitLine exceptionExit;
    Handler onMsiException;
    Handler onOtherException;
    // A property read right after the handle is stored, before the log is opened; its value
    // fills the start line and is handed to the work.
    const char* startLineProperty = nullptr;
    // A property read after the start line but outside the protected region, so that a failed
    // read leaves the action; its value is handed to the work.
    const char* propertyBeforeRegion = nullptr;
};

// How the work of an action ended: its result, and an exit line of its own when the frame's
// normal exit line does not fit the outcome.
struct ActionEnd {
    ActionEnd(uint32_t actionResult = kErrorSuccess) : result(actionResult) {}  // NOLINT
    ActionEnd(uint32_t actionResult, std::string line, uint32_t lineSeverity = SEV_INFO)
        : result(actionResult), exitLine(std::move(line)), severity(lineSeverity) {}

    uint32_t result;
    std::string exitLine;  // empty: the frame's normal exit line
    uint32_t severity = SEV_INFO;
};

// Reads DEBUG into the library's debug level: a decimal number, leading white space and a sign
// allowed, digits up to the first other character; empty or no digits give 0.
void ReadDebugLevel(Library& library, MsiHandle session);

// Runs the work inside the frame and returns the action's result.
uint32_t RunAction(Library& library, MsiHandle session, const ActionFrame& frame,
                   const std::function<ActionEnd()>& work);
// The same for a frame with a start-line property or a property before the region; the work
// gets the property's value.
uint32_t RunAction(Library& library, MsiHandle session, const ActionFrame& frame,
                   const std::function<ActionEnd(const std::string&)>& work);

}  // namespace qx
