#pragma once
// What every qxeca action does on entry and exit. An action states only its particulars (its
// row of the frame: name, start line, when DEBUG is read, exit lines, what its handlers return)
// and its work; the frame keeps the session handle, opens and closes the log, writes the start
// and exit lines, and turns a caught CMSIException into the action's result.

#include <cstdint>
#include <functional>

#include "common/Library.h"

namespace qx {

enum class DebugRead {
    None,
    InsideRegion,        // ReadDebugLevel and the name scope inside the protected region
    BeforeLog,           // both before the handle is stored, outside the protected region
    DebugOnlyBeforeLog,  // ReadDebugLevel only, before the handle is stored
};

struct ExitLine {
    const char* format;  // "%s" is the action name
    bool echoed;         // also handed to LogToMsi
};

struct Handler {
    bool present;
    bool returnsExitCode;  // the library's exit code instead of `result`
    uint32_t result;
};
constexpr Handler kNoHandler{false, false, 0};
constexpr Handler kReturnsExitCode{true, true, 0};
constexpr Handler Returns(uint32_t result) { return {true, false, result}; }

struct ActionFrame {
    const char* name;
    const char* startLine;
    DebugRead debugRead;
    ExitLine normalExit;
    ExitLine exceptionExit;
    Handler onMsiException;
    Handler onOtherException;
};

// Reads DEBUG into the library's debug level: a decimal number, leading white space and a sign
// allowed, digits up to the first other character; empty or no digits give 0.
void ReadDebugLevel(Library& library, MsiHandle session);

// Runs the work inside the frame; the work returns the action's result on a normal exit.
uint32_t RunAction(Library& library, MsiHandle session, const ActionFrame& frame,
                   const std::function<uint32_t()>& work);

}  // namespace qx
