#include "platform/sim/SimProcesses.h"

namespace qx::sim {

void SimProcesses::addProgram(const std::string& path, SimProgram program) {
    programs_[path] = program;
}

std::string SimProcesses::programOf(const std::string& commandLine) {
    size_t start = commandLine.find_first_not_of(' ');
    if (start == std::string::npos) {
        return "";
    }
    if (commandLine[start] == '"') {
        size_t close = commandLine.find('"', start + 1);
        return commandLine.substr(
            start + 1, close == std::string::npos ? std::string::npos : close - start - 1);
    }
    size_t end = commandLine.find(' ', start);
    return commandLine.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

bool SimProcesses::create(const std::string& commandLine, uint32_t flags, bool redirectionDisabled,
                          int64_t now, ProcessInfo* info, Status* error) {
    std::string program = programOf(commandLine);
    auto found = programs_.find(program);
    if (found == programs_.end() &&
        program.find('.', program.rfind('\\') + 1) == std::string::npos) {
        program += ".exe";
        found = programs_.find(program);
    }
    if (found == programs_.end()) {
        *error = kErrorFileNotFound;
        return false;
    }
    started_.push_back({commandLine, found->first, flags, redirectionDisabled, now});
    info->process = nextHandle_++;
    info->thread = nextHandle_++;
    info->processId = nextProcessId_++;
    handles_[info->process] = started_.size() - 1;
    handles_[info->thread] = started_.size() - 1;
    return true;
}

bool SimProcesses::closeHandle(OsHandle handle) {
    return handles_.erase(handle) > 0;
}

}  // namespace qx::sim
