#include "qxeca/settings/LaunchApp.h"

#include <string>

#include "common/ActionFrame.h"
#include "common/ErrorText.h"
#include "common/Format.h"
#include "common/InstallerLog.h"
#include "common/MsiException.h"
#include "common/PlatformHelpers.h"
#include "common/PropertyActions.h"
#include "platform/ScopedHandle.h"

namespace qx {
namespace {

constexpr const char* kRunOnceKey = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr int kCannotStartApplication = 27857;

const ActionFrame kFrame{
    .name = "QXLaunchApp",
    .startLine = "----->> %s Starting... <<-----",
    .debugRead = DebugRead::None,
    .normalExit = {"----->> %s Exiting... <<-----\n", false},
    .exceptionExit = {"----->> %s exception Exit... <<-----\n", false},
    .onMsiException = Returns(kErrorSuccess),
    .onOtherException = kNoHandler,
};

// A name of its own for every launch: the UTC time to the millisecond and a pseudo-random
// number.
std::string RunOnceValueName(Platform& os) {
    CalendarTime now = os.systemTime();
    int random = os.crtRand();
    return formatText("qxapp_%i%02i%02i%02i%02i%02i%03i%03i", now.year, now.month, now.day,
                      now.hour, now.minute, now.second, now.milliseconds, random);
}

// Registers the command to run at the user's next logon; failures are logged and echoed.
void LaunchAtNextLogon(Library& library, const std::string& command) {
    Platform& os = library.os;
    const char* name = kFrame.name;
    LogMessage(library.log, SEV_INFO, "%s: runmode reboot is pending", name);
    RegistryKey runOnce(os);
    const char* failedCall = "RegCreateKeyEx";
    if (os.regCreateKey(kHkeyCurrentUser, kRunOnceKey, NativeViewAccess(os, kKeyAllAccess),
                        runOnce.receive()) == kErrorSuccess) {
        std::string valueName = RunOnceValueName(os);
        // The data counts its terminating null.
        const auto* data = reinterpret_cast<const uint8_t*>(command.c_str());
        if (os.regSetValue(runOnce.get(), valueName.c_str(), kRegExpandSz, data,
                           static_cast<uint32_t>(command.size() + 1)) == kErrorSuccess) {
            LogMessage(library.log, SEV_INFO, "value '%s' set '%s' in HKCU RunOnce",
                       valueName.c_str(), command.c_str());
            return;
        }
        failedCall = "RegSetValueEx";
    }
    std::string line = formatText("%s: %s unable to set value '%s' as '%s' in HKCU RunOnce", name,
                                  failedCall, command.c_str(), command.c_str());
    LogToMsi(library, line);
    LogMessage(library.log, SEV_INFO, "%s", line.c_str());
}

}  // namespace

uint32_t QXLaunchApp(Library& library, MsiHandle session) {
    return RunAction(library, session, kFrame, [&] {
        Platform& os = library.os;
        CLog& log = library.log;
        const char* name = kFrame.name;
        std::string command = GetProperty(library, session, "QXI_LAUNCHCMD");
        LogMessage(log, SEV_INFO, "%s got filename '%s'", name, command.c_str());
        if (command.empty() || command == "qxblank") {
            LogMessage(log, SEV_INFO, "%s got filename '%s', will exit", name, command.c_str());
            return ActionEnd(kErrorSuccess);
        }
        LogMessage(log, SEV_INFO, "%s got file '%s' ", name, command.c_str());
        // The program is named as the native system sees its folders.
        bool native64 = Is64BitWindows(os);
        OsHandle token = 0;
        if (native64) {
            LogMessage(log, SEV_INFO, "running on 64-bit Windows, disabling WoW64Redirection");
            token = DisableFsRedirection(library);
        }
        if (os.msiGetMode(session, kRunModeRebootAtEnd)) {
            LaunchAtNextLogon(library, command);
            if (native64) {
                RevertFsRedirection(library, token);
            }
            return ActionEnd(kErrorSuccess);
        }
        LogMessage(log, SEV_INFO, "%s: no reboot scheduled", name);
        ProcessInfo started;
        bool ok = os.createProcess(command.c_str(), kCreateNewConsole, &started);
        Status error = ok ? kErrorSuccess : os.getLastError();
        if (native64) {
            RevertFsRedirection(library, token);
            LogMessage(log, SEV_INFO, "Wow64 restored to prev state after CreateProcess");
        }
        if (!ok) {
            std::string text = ConvertErrorCodeToString(library, error);
            LogMessage(log, SEV_INFO, "%s CreateProcess error=%#x (%s), throwing exception", name,
                       error, text.c_str());
            throw CMSIException::InMsi(library, kCannotStartApplication, command, "", "");
        }
        // Not waited for: the handles are closed at once.
        KernelHandle thread(os, started.thread);
        KernelHandle process(os, started.process);
        thread.reset();
        process.reset();
        LogMessage(log, SEV_INFO, "%s CreateProcess ok for '%s'", name, command.c_str());
        return ActionEnd(kErrorSuccess);
    });
}

}  // namespace qx
