#pragma once
// Programs of the simulated machine and the processes started from them. A program is known by
// its path; each start records the command line, the creation flags and whether file-system
// redirection was off.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/sim/CaseInsensitive.h"

namespace qx::sim {

struct SimProgram {
    uint32_t exitCode = 0;
    uint32_t runMilliseconds = 0;
};

struct StartedProcess {
    std::string commandLine;
    std::string program;
    uint32_t creationFlags = 0;
    bool redirectionDisabled = false;
    int64_t startedAtUtcMilliseconds = 0;
};

class SimProcesses {
  public:
    void addProgram(const std::string& path, SimProgram program = {});
    const std::vector<StartedProcess>& started() const { return started_; }
    size_t openHandleCount() const { return handles_.size(); }

    // The program a command line names: the quoted text, or the text up to the first blank;
    // ".exe" is tried when the name has no extension.
    static std::string programOf(const std::string& commandLine);

    // --- The calls behind the seam.
    bool create(const std::string& commandLine, uint32_t flags, bool redirectionDisabled,
                int64_t now, ProcessInfo* info, Status* error);
    bool closeHandle(OsHandle handle);

  private:
    std::map<std::string, SimProgram, CaseInsensitiveLess> programs_;
    std::vector<StartedProcess> started_;
    std::map<OsHandle, size_t> handles_;  // process and thread handles -> index in started_
    OsHandle nextHandle_ = 0x20000;
    uint32_t nextProcessId_ = 1000;
};

}  // namespace qx::sim
