#include "qxeca/settings/FileVersionCheck.h"

#include <string>
#include <vector>

#include "common/ActionFrame.h"
#include "common/ErrorText.h"
#include "common/PropertyActions.h"
#include "common/Text.h"
#include "qxeca/settings/CommandText.h"

namespace qx {
namespace {

constexpr const char* kMismatch = "QX_FILEVER_MISMATCH";

const ActionFrame kFrame{
    .name = "QX_CheckFileVers",
    .startLine = "----->> %s Starting... <<-----",
    .debugRead = DebugRead::DebugOnlyBeforeLog,
    .normalExit = {"----->> %s Exiting... rc=0 <<-----\n", false},
    .exceptionExit = {"----->> %s exception Exiting... rc=%#x <<-----\n", false, SEV_ERROR},
    .onMsiException = Returns(kErrorSuccess),
    .onOtherException = kNoHandler,
};

// A version that cannot be read counts as a mismatch: the package's file is taken. `call`
// names the failing call, whose code is taken first.
ActionEnd UnreadableVersion(Library& library, MsiHandle session, const char* call) {
    Status error = library.os.getLastError();
    LogMessage(library.log, SEV_INFO, "%s %s error, rc=%#x, err:%s", kFrame.name, call, error,
               SystemMessageText(library.os, error).c_str());
    SetProperty(library, session, kMismatch, "1");
    LogMessage(library.log, SEV_INFO, "%s has set QX_FILEVER_MISMATCH = 1, just in case",
               kFrame.name);
    return ActionEnd(kErrorSuccess);
}

// The four 16-bit numbers of the fixed version block, major first.
std::vector<uint32_t> InstalledParts(const FixedFileVersion& fixed) {
    return {fixed.fileVersionMS >> 16, fixed.fileVersionMS & 0xFFFF, fixed.fileVersionLS >> 16,
            fixed.fileVersionLS & 0xFFFF};
}

// Part by part, major first: the first part that differs decides.
bool IsOlder(const std::vector<uint32_t>& installed, const VersionText& package) {
    for (size_t i = 0; i < installed.size(); ++i) {
        if (installed[i] != package.numbers[i]) {
            return installed[i] < package.numbers[i];
        }
    }
    return false;
}

}  // namespace

uint32_t QX_CheckFileVers(Library& library, MsiHandle session) {
    return RunAction(library, session, kFrame, [&] {
        Platform& os = library.os;
        CLog& log = library.log;
        const char* name = kFrame.name;
        std::string packageVersion = GetProperty(library, session, "QX_PACKAGE_FILE_VER");
        std::string file = GetProperty(library, session, "QX_INSTALLED_FILE_NAME");
        LogMessage(log, SEV_INFO, "%s QX_PACKAGE_FILE_VER=%s QX_INSTALLED_FILE_NAME=%s", name,
                   packageVersion.c_str(), file.c_str());
        if (file.empty() || LowerCase(file) == "qxblank") {
            LogMessage(log, SEV_INFO,
                       "%s no action. Exiting because QX_INSTALLED_FILE_NAME (%s) is no good", name,
                       file.c_str());
            return ActionEnd(kErrorSuccess);
        }
        uint32_t size = os.getFileVersionInfoSize(file.c_str());
        if (size == 0) {
            return UnreadableVersion(library, session, "GetFileVersionInfoSize");
        }
        std::vector<uint8_t> info(size);
        if (!os.getFileVersionInfo(file.c_str(), size, info.data())) {
            return UnreadableVersion(library, session, "GetFileVersionInfo");
        }
        // Version information without a fixed block is as unreadable as none at all.
        FixedFileVersion fixed;
        if (!os.queryFixedFileVersion(info.data(), &fixed)) {
            return UnreadableVersion(library, session, "VerQueryValue");
        }
        std::vector<uint32_t> installed = InstalledParts(fixed);
        LogMessage(log, SEV_INFO, "%s File Version: %d.%d.%d.%d", name,
                   static_cast<int>(installed[0]), static_cast<int>(installed[1]),
                   static_cast<int>(installed[2]), static_cast<int>(installed[3]));
        VersionText package = ParseVersionText(packageVersion);
        LogMessage(log, SEV_INFO, "%s QX_PACKAGE_FILE_VER strings %s-%s-%s-%s dwords %d.%d.%d.%d",
                   name, package.parts[0].c_str(), package.parts[1].c_str(),
                   package.parts[2].c_str(), package.parts[3].c_str(),
                   static_cast<int>(package.numbers[0]), static_cast<int>(package.numbers[1]),
                   static_cast<int>(package.numbers[2]), static_cast<int>(package.numbers[3]));
        if (IsOlder(installed, package)) {
            SetProperty(library, session, kMismatch, "1");
            LogMessage(log, SEV_INFO,
                       "%s has set QX_FILEVER_MISMATCH = 1, the MSI file is higher version", name);
        } else {
            LogMessage(log, SEV_INFO,
                       "%s has NOT set QX_FILEVER_MISMATCH, the MSI file is lower version", name);
        }
        return ActionEnd(kErrorSuccess);
    });
}

}  // namespace qx
