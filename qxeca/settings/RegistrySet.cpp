#include "qxeca/settings/RegistrySet.h"

#include <cstring>

#include "common/ActionFrame.h"
#include "common/Format.h"
#include "common/InstallerLog.h"
#include "common/MsiException.h"
#include "common/PlatformHelpers.h"
#include "common/PropertyActions.h"
#include "common/Text.h"
#include "platform/ScopedHandle.h"
#include "qxeca/settings/RegistryValueFrame.h"
#include "qxeca/settings/UserSidKey.h"

namespace qx {
namespace {

const ActionFrame kSetHklmFrame{
    .name = "QX_SetHKLMRegDW",
    .startLine = "----->> %s Starting... <<-----",
    .debugRead = DebugRead::None,
    .normalExit = {"----->> %s normal exit rc=0 <<-----\n", false},
    .exceptionExit =
        {"----->> %s Exit via exception, returning ERROR_INSTALL_FAILURE (%#x) <<-----\n", true},
    .onMsiException = Returns(kErrorInstallFailure),
    .onOtherException = kNoHandler,
};

// QX_REG_DATA is read before the handler is in place: a failed read leaves the action.
const ActionFrame kSetImmediateFrame = [] {
    ActionFrame frame = RegistryValueFrame("QX_SetImmHKUSIDRegDW");
    frame.propertyBeforeRegion = "QX_REG_DATA";
    return frame;
}();

const ActionFrame kSetDeferredFrame{
    .name = "QX_SetDefHKUSIDRegDW",
    .startLine = "----->> %s Starting <<-----",
    .debugRead = DebugRead::None,
    .normalExit = {"----->> %s HAS NOT BEEN TESTED -- EXITING <<-----", false},
    .exceptionExit = {"", false},
    .onMsiException = kNoHandler,
    .onOtherException = kNoHandler,
};

// Creates root\key when missing and writes the DWORD; failures logged with the caller's name.
bool WriteDword(Library& library, const char* self, OsHandle root, const std::string& key,
                const std::string& valueName, uint32_t data) {
    Platform& os = library.os;
    RegistryKey opened(os);
    Status status =
        os.regCreateKey(root, key.c_str(), NativeViewAccess(os, kKeyAllAccess), opened.receive());
    if (status != kErrorSuccess) {
        LogMessage(library.log, SEV_ERROR, "%s: RegCreateKeyEx failed for '%s', rc=%#x", self,
                   key.c_str(), status);
        return false;
    }
    uint8_t bytes[4];
    std::memcpy(bytes, &data, sizeof bytes);
    status = os.regSetValue(opened.get(), valueName.c_str(), kRegDword, bytes, sizeof bytes);
    if (status != kErrorSuccess) {
        LogMessage(library.log, SEV_ERROR,
                   "%s: RegSetValueEx failed for value '%s' in key '%s', rc=%#x", self,
                   valueName.c_str(), key.c_str(), status);
        return false;
    }
    return true;
}

void LogAndEcho(Library& library, const std::string& line) {
    LogMessage(library.log, SEV_INFO, "%s", line.c_str());
    LogToMsi(library, line);
}

}  // namespace

bool setHKLMregDW(Library& library, const std::string& command) {
    const char* self = "setHKLMregDW";
    KeyNameData fields;
    int found = SplitKeyNameData(command, &fields);
    if (found < 3) {
        // Each missing ";" has its own line.
        if (found == 0) {
            LogMessage(library.log, SEV_ERROR,
                       "%s: invalid custom action key parameter in '%s'; must abort", self,
                       command.c_str());
        } else if (found == 1) {
            LogMessage(library.log, SEV_ERROR,
                       "%s: invalid custom action value parameter in '%s'; must abort", self,
                       command.c_str());
        } else {
            LogMessage(library.log, SEV_ERROR,
                       "%s: invalid custom action data parameter in '%s'; must abort", self,
                       command.c_str());
        }
        return false;
    }
    uint32_t data = static_cast<uint32_t>(DecimalValue(fields.data));
    LogMessage(library.log, SEV_INFO, "%s: got data key='%s', value='%s', data='%#x'", self,
               fields.key.c_str(), fields.name.c_str(), data);
    if (!WriteDword(library, self, kHkeyLocalMachine, fields.key, fields.name, data)) {
        return false;
    }
    LogAndEcho(library, formatText("%s: set registry key '%s' name '%s' data '%#x'", self,
                                   fields.key.c_str(), fields.name.c_str(), data));
    return true;
}

bool get3parm(Library& library, const std::string& command, std::string& key,
              std::string& valueName, uint32_t& data) {
    const char* self = "get3parm";
    KeyNameData fields;
    int found = SplitKeyNameData(command, &fields);
    if (found < 3) {
        // Each missing ";" has its own line.
        if (found == 0) {
            LogMessage(library.log, SEV_ERROR, "%s: invalid input parameter in '%s'; must abort",
                       self, command.c_str());
        } else if (found == 1) {
            LogMessage(library.log, SEV_ERROR, "%s: invalid value parameter in '%s'; must abort",
                       self, command.c_str());
        } else {
            LogMessage(library.log, SEV_ERROR, "%s: invalid data parameter in '%s'; must abort",
                       self, command.c_str());
        }
        return false;
    }
    key = fields.key;
    valueName = fields.name;
    data = static_cast<uint32_t>(DecimalValue(fields.data));
    LogMessage(library.log, SEV_INFO, "%s: OK, key='%s', value='%s', data='%#x'", self, key.c_str(),
               valueName.c_str(), data);
    return true;
}

bool setHKUSIDregDW(Library& library, const std::string& command) {
    const char* self = "setHKUSIDregDW";
    std::string key;
    std::string valueName;
    uint32_t data = 0;
    if (!get3parm(library, command, key, valueName, data)) {
        return false;
    }
    std::string userKey = UserSidKeyPath(library, key);
    if (!WriteDword(library, self, kHkeyUsers, userKey, valueName, data)) {
        return false;
    }
    LogAndEcho(library, formatText("%s: OK, set registry key '%s' name '%s' data '%#x'", self,
                                   userKey.c_str(), valueName.c_str(), data));
    return true;
}

uint32_t QX_SetHKLMRegDW(Library& library, MsiHandle session) {
    return RunAction(library, session, kSetHklmFrame, [&]() -> ActionEnd {
        std::string command = GetProperty(library, session, "CustomActionData");
        LogMessage(library.log, SEV_INFO, "%s: got custom action data '%s'", kSetHklmFrame.name,
                   command.c_str());
        if (!setHKLMregDW(library, command)) {
            throw CMSIException::InSource(library, eCustomError, "Error managing registry data.",
                                          ".\\regsav", 735);
        }
        return kErrorSuccess;
    });
}

uint32_t QX_SetImmHKUSIDRegDW(Library& library, MsiHandle session) {
    return RunAction(library, session, kSetImmediateFrame, [&](const std::string& command) {
        LogMessage(library.log, SEV_INFO, "%s: QX_REG_DATA = '%s'", kSetImmediateFrame.name,
                   command.c_str());
        // A bad command or a failed write is only logged.
        setHKUSIDregDW(library, command);
        return ActionEnd(kErrorSuccess);
    });
}

uint32_t QX_SetDefHKUSIDRegDW(Library& library, MsiHandle session) {
    return RunAction(library, session, kSetDeferredFrame, [] { return ActionEnd(kErrorSuccess); });
}

}  // namespace qx
