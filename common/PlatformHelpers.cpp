#include "common/PlatformHelpers.h"

#include <vector>

#include "platform/ScopedHandle.h"

namespace qx {

uint16_t GetProcessorArchitecture(Platform& os) {
    uint16_t architecture = os.systemInfoArchitecture();
    if (architecture != kProcessorArchitectureIntel) {
        return architecture;
    }
    // Under WOW64 only the native query tells the truth; older systems do not have it.
    if (os.kernel32HasFunction("GetNativeSystemInfo")) {
        architecture = os.nativeSystemInfoArchitecture();
    }
    return architecture;
}

bool Is64BitWindows(Platform& os) {
    uint16_t architecture = GetProcessorArchitecture(os);
    return architecture == kProcessorArchitectureIa64 ||
           architecture == kProcessorArchitectureAmd64;
}

uint32_t NativeViewAccess(Platform& os, uint32_t access) {
    return Is64BitWindows(os) ? access | kKeyWow64_64Key : access;
}

OsHandle DisableFsRedirection(Library& library) {
    OsHandle token = 0;
    if (library.os.kernel32HasFunction("Wow64DisableWow64FsRedirection")) {
        LogMessage(library.log, SEV_INFO, "calling Wow64DisableWow64FsRedirection");
        library.os.wow64DisableFsRedirection(&token);
    }
    return token;
}

void RevertFsRedirection(Library& library, OsHandle token) {
    if (library.os.kernel32HasFunction("Wow64RevertWow64FsRedirection")) {
        LogMessage(library.log, SEV_INFO, "calling Wow64RevertWow64FsRedirection");
        library.os.wow64RevertFsRedirection(token);
    }
}

bool GetCommonFilesDirectory(Library& library, const char* valueName, std::string& directory,
                             uint32_t size) {
    Platform& os = library.os;
    RegistryKey key(os);
    Status status =
        os.regOpenKey(kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\",
                      NativeViewAccess(os, kKeyRead), key.receive());
    if (status != kErrorSuccess) {
        LogMessage(library.log, SEV_ERROR, "GetCommonFilesDirectory: RegOpenKeyEx rc=%x", status);
        return false;
    }
    std::vector<uint8_t> data(size + 1, 0);
    uint32_t type = kRegNone;
    uint32_t bytes = size;
    status = os.regQueryValue(key.get(), valueName, &type, data.data(), &bytes);
    if (status == kErrorSuccess && type == kRegSz) {
        directory = reinterpret_cast<const char*>(data.data());
        return true;
    }
    LogMessage(library.log, SEV_ERROR, "GetCommonFilesDirectory: RegQueryValueEx rc=%x", status);
    return false;
}

bool Windows2000orHigher(Library& library) {
    LogMessage(library.log, SEV_INFO, "Windows2000orHigher: check windows version");
    OsVersion version;
    if (library.os.getVersion(&version) && version.platformId == kVerPlatformWin32Nt &&
        version.major > 4) {
        LogMessage(library.log, SEV_INFO, "Windows 2000 or higher; return TRUE");
        return true;
    }
    LogMessage(library.log, SEV_INFO, "Windows NOT 2000 or higher; return FALSE");
    return false;
}

}  // namespace qx
