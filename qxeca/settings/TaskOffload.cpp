#include "qxeca/settings/TaskOffload.h"

#include <cstring>
#include <string>
#include <utility>

#include "common/ActionFrame.h"
#include "common/Format.h"
#include "common/PlatformHelpers.h"
#include "platform/ScopedHandle.h"

namespace qx {
namespace {

constexpr const char* kTcpipParameters = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters";
constexpr const char* kCountKey = "SYSTEM\\CurrentControlSet\\Services\\QXE\\Parameters";
constexpr const char* kValueName = "DisableTaskOffload";

ActionFrame TaskOffloadFrame(const char* name) {
    return {
        .name = name,
        .startLine = "----->> %s Starting <<-----",
        .debugRead = DebugRead::None,
        .normalExit = {"----->> %s normal exit <<-----\n", false},
        .exceptionExit = {"", false},
        .onMsiException = kNoHandler,
        .onOtherException = kNoHandler,
    };
}

const ActionFrame kDisableFrame = TaskOffloadFrame("QX_TCPDisableTaskOffload");
const ActionFrame kIncrementFrame = TaskOffloadFrame("QX_IncrementDisableTaskOffload");
const ActionFrame kDecrementFrame = TaskOffloadFrame("QX_DecrementDisableTaskOffload");

void Progress(Library& library, const char* text) {
    LogMessage(library.log, SEV_INFO, "Managing DisableTaskOffload: %s:", text);
}

void Failure(Library& library, const char* text, Status status) {
    LogMessage(library.log, SEV_ERROR, "Error managing DisableTaskOffload: %s: status %x", text,
               status);
}

Status SetDword(Platform& os, const RegistryKey& key, const char* name, uint32_t value) {
    uint8_t bytes[4];
    std::memcpy(bytes, &value, sizeof bytes);
    return os.regSetValue(key.get(), name, kRegDword, bytes, sizeof bytes);
}

// An exit line that names the failing step; the installation fails.
ActionEnd Abnormal(std::string line, uint32_t severity) {
    return ActionEnd(kErrorInstallFailure, std::move(line), severity);
}

}  // namespace

Status ReadSetRegValueDWORD(Library& library, OsHandle root, const char* subKey, const char* name,
                            uint32_t defaultValue, uint32_t* value) {
    Platform& os = library.os;
    uint32_t access = NativeViewAccess(os, kKeyRead | kKeyWrite);
    RegistryKey key(os);
    if (os.regOpenKey(root, subKey, access, key.receive()) != kErrorSuccess) {
        Progress(library, "Opening registry key for read failed, will try to create it");
        Status status = os.regCreateKey(root, subKey, access, key.receive());
        if (status != kErrorSuccess) {
            Failure(library, "Creating registry key for read failed", status);
            return status;
        }
    }
    uint8_t bytes[4] = {};
    uint32_t size = sizeof bytes;
    uint32_t type = kRegNone;
    Status read = os.regQueryValue(key.get(), name, &type, bytes, &size);
    if (read != kErrorSuccess) {
        // Absent, or longer than a DWORD: the default takes its place.
        Progress(library, "Reading registry value failed, will try to create it");
        *value = defaultValue;
        Status written = SetDword(os, key, name, defaultValue);
        if (key.close() != kErrorSuccess) {
            Progress(library, "Closing registry key failed");
        }
        if (written != kErrorSuccess) {
            Failure(library, "Creating registry value failed", written);
            return written;
        }
        return kErrorSuccess;
    }
    if (key.close() != kErrorSuccess) {
        Progress(library, "Closing registry key failed");
    }
    if (type != kRegDword) {
        Failure(library, "Registry value has unexpected type", kEFail);
        return kEFail;
    }
    std::memcpy(value, bytes, sizeof bytes);
    return kErrorSuccess;
}

Status WriteRegValueDWORD(Library& library, OsHandle root, const char* subKey, const char* name,
                          uint32_t value) {
    Platform& os = library.os;
    const char* self = "WriteRegValueDWORD";
    uint32_t access = NativeViewAccess(os, kKeyWrite);
    RegistryKey key(os);
    if (os.regOpenKey(root, subKey, access, key.receive()) != kErrorSuccess) {
        LogMessage(library.log, SEV_INFO,
                   "%s Opening registry key for write failed, will try to create it", self);
        Status status = os.regCreateKey(root, subKey, access, key.receive());
        if (status != kErrorSuccess) {
            LogMessage(library.log, SEV_ERROR, "%s Creating registry key for write failed, rc=%x",
                       self, status);
            return status;
        }
    }
    Status written = SetDword(os, key, name, value);
    if (key.close() != kErrorSuccess) {
        LogMessage(library.log, SEV_ERROR, "%s Closing registry key failed", self);
    }
    if (written != kErrorSuccess) {
        LogMessage(library.log, SEV_ERROR, "%s Writing registry key value '%d' failed, rc=%x", self,
                   static_cast<int>(value), written);
        return written;
    }
    return kErrorSuccess;
}

Status SetTCPDisableTaskOffload(Library& library, uint32_t value) {
    Status status =
        WriteRegValueDWORD(library, kHkeyLocalMachine, kTcpipParameters, kValueName, value);
    LogMessage(library.log, SEV_INFO, "%s: WriteRegValueDWORD got rc=%x writing %d to %s ",
               "SetTCPDisableTaskOffload", status, static_cast<int>(value), kTcpipParameters);
    return status;
}

uint32_t QX_TCPDisableTaskOffload(Library& library, MsiHandle session) {
    return RunAction(library, session, kDisableFrame, [&]() -> ActionEnd {
        Status status = SetTCPDisableTaskOffload(library, 1);
        if (status != kErrorSuccess) {
            return Abnormal(
                formatText("----->> %s error exit, SetTCPDisableTaskOffloadreturned %x <<-----\n",
                           kDisableFrame.name, status),
                SEV_INFO);
        }
        return kErrorSuccess;
    });
}

uint32_t QX_IncrementDisableTaskOffload(Library& library, MsiHandle session) {
    const char* name = kIncrementFrame.name;
    return RunAction(library, session, kIncrementFrame, [&]() -> ActionEnd {
        Status status = SetTCPDisableTaskOffload(library, 1);
        if (status != kErrorSuccess) {
            return Abnormal(
                formatText("----->> %s abnormal exit, SetTCPDisableTaskOffload rc = %x <<-----\n",
                           name, status),
                SEV_INFO);
        }
        uint32_t count = 0;
        status = ReadSetRegValueDWORD(library, kHkeyLocalMachine, kCountKey, kValueName, 0, &count);
        if (status != kErrorSuccess) {
            return Abnormal(
                formatText("----->> %s abnormal exit, ReadSetRegValueDWORD rc = %x <<-----\n", name,
                           status),
                SEV_ERROR);
        }
        status = WriteRegValueDWORD(library, kHkeyLocalMachine, kCountKey, kValueName, count + 1);
        if (status != kErrorSuccess) {
            return Abnormal(
                formatText("----->> %s abnormal exit, WriteRegValueDWORD rc = %x <<-----\n", name,
                           status),
                SEV_ERROR);
        }
        return kErrorSuccess;
    });
}

uint32_t QX_DecrementDisableTaskOffload(Library& library, MsiHandle session) {
    const char* name = kDecrementFrame.name;
    return RunAction(library, session, kDecrementFrame, [&]() -> ActionEnd {
        // A missing count is taken as 1, so that it comes down to 0 and offload is allowed.
        uint32_t count = 0;
        Status status =
            ReadSetRegValueDWORD(library, kHkeyLocalMachine, kCountKey, kValueName, 1, &count);
        if (status != kErrorSuccess) {
            return Abnormal(
                formatText("----->> %s abnormal exit, ReadSetRegValueDWORD rc = %x <<-----\n", name,
                           status),
                SEV_INFO);
        }
        uint32_t lowered = count == 0 ? 0 : count - 1;
        status = WriteRegValueDWORD(library, kHkeyLocalMachine, kCountKey, kValueName, lowered);
        if (status != kErrorSuccess) {
            return Abnormal(
                formatText("----->> %s abnormal exit, WriteRegValueDWORD rc = %x <<-----\n", name,
                           status),
                SEV_INFO);
        }
        if (lowered == 0) {
            LogMessage(library.log, SEV_INFO, "zeroing the TCP setting");
            SetTCPDisableTaskOffload(library, 0);
        }
        return kErrorSuccess;
    });
}

}  // namespace qx
