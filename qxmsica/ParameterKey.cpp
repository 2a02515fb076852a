#include "qxmsica/ParameterKey.h"

namespace qx::qxmsica {

uint32_t GetPlatformId(Platform& os) {
    OsVersion version;
    return os.getVersion(&version) ? version.platformId : 0;
}

uint32_t GetNtMajorVersion(Platform& os) {
    OsVersion version;
    if (!os.getVersion(&version) || version.platformId != kVerPlatformWin32Nt) {
        return 0;
    }
    return version.major;
}

std::string QxeParameterKey(uint32_t platformId, uint32_t ntMajorVersion) {
    // Windows 95/98/Me and NT 4.0 keep it with the software; Windows 2000 on with the service.
    if (platformId == kVerPlatformWin32Windows ||
        (platformId == kVerPlatformWin32Nt && ntMajorVersion == 4)) {
        return "SOFTWARE\\Quaxten\\QXE\\Parameters";
    }
    if (platformId == kVerPlatformWin32Nt) {
        return "System\\CurrentControlSet\\Services\\QXE\\Parameters";
    }
    return "";
}

}  // namespace qx::qxmsica
