#include "platform/sim/SimSystem.h"

namespace qx::sim {

SimSystem::SimSystem() {
    environment["SystemRoot"] = "C:\\WINDOWS";
    environment["windir"] = "C:\\WINDOWS";
    environment["TEMP"] = "C:\\WINDOWS\\temp";
    systemMessages = {
        {2, "The system cannot find the file specified.\r\n"},
        {3, "The system cannot find the path specified.\r\n"},
        {5, "Access is denied.\r\n"},
        {6, "The handle is invalid.\r\n"},
        {32,
         "The process cannot access the file because it is being used by another "
         "process.\r\n"},
        {87, "The parameter is incorrect.\r\n"},
        {183, "Cannot create a file when that file already exists.\r\n"},
        {234, "More data is available.\r\n"},
        {259, "No more data is available.\r\n"},
        {1603, "Fatal error during installation.\r\n"},
        {1627, "Function failed during execution.\r\n"},
    };
}

void SimSystem::setArchitecture(uint16_t nativeArchitecture) {
    nativeArchitecture_ = nativeArchitecture;
    hasWow64Redirection = is64Bit();
}

int SimSystem::nextRand() {
    randState = randState * 214013u + 2531011u;
    return static_cast<int>((randState >> 16) & 0x7FFF);
}

std::string SimSystem::debugText() const {
    std::string text;
    for (const auto& piece : debugOutput) {
        text += piece;
    }
    return text;
}

}  // namespace qx::sim
