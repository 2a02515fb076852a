#include "platform/sim/SimMachine.h"

#include "platform/sim/SimPlatform.h"

namespace qx::sim {

SimMachine::SimMachine(uint16_t nativeArchitecture) : platform_(makeSimPlatform(*this)) {
    system.setArchitecture(nativeArchitecture);
    files.makeDirectories(system.windowsDirectory + "\\temp");
    files.makeDirectories("C:\\Program Files\\Common Files");
    const std::string currentVersion = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
    registry.setString(currentVersion, "CommonFilesDir", "C:\\Program Files\\Common Files");
    if (system.is64Bit()) {
        files.makeDirectories("C:\\Program Files (x86)\\Common Files");
        registry.setString("HKLM\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion",
                           "CommonFilesDir", "C:\\Program Files (x86)\\Common Files");
    }
    registry.createKey("HKU\\" + registry.currentUserSid());
}

SimMachine::~SimMachine() = default;

size_t SimMachine::openHandleCount() const {
    return registry.openKeyCount() + installer.openRecordCount() + files.openDescriptorCount() +
           files.openHandleCount() + services.openHandleCount() + processes.openHandleCount();
}

}  // namespace qx::sim
