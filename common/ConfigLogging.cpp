#include "common/ConfigLogging.h"

#include <cstring>
#include <vector>

#include "common/ActionFrame.h"
#include "common/PlatformHelpers.h"
#include "common/Text.h"
#include "platform/ScopedHandle.h"

namespace qx {
namespace {

constexpr const char* kSharedDllsKey =
    "SOFTWARE\\Microsoft"
    "\\Windows\\CurrentVersion\\SharedDlls\\";
constexpr const char* kMakerFilter = "common files\\quaxten";

const ActionFrame kLogConfigFrame{
    .name = "QXLogConfig",
    .startLine = "----->> %s Starting <<-----",
    .debugRead = DebugRead::InsideRegion,
    .normalExit = {"----->> %s normal exit rc=0 <<-----\n", true},
    .exceptionExit = {"----->> %s exception, but returning ERROR_SUCCESS (no rollback) <<-----\n",
                      true},
    .onMsiException = Returns(kErrorSuccess),
    .onOtherException = kNoHandler,
};

}  // namespace

void LogRefCounts(Library& library) {
    Platform& os = library.os;
    CLog& log = library.log;
    const char* self = "LogRefCounts";
    RegistryKey key(os);
    Status status = os.regOpenKey(kHkeyLocalMachine, kSharedDllsKey,
                                  NativeViewAccess(os, kKeyQueryValue), key.receive());
    if (status != kErrorSuccess) {
        LogMessage(log, SEV_INFO, "%s: RegOpenKeyEx failed rc=0x%x", self, status);
        return;
    }
    uint32_t longestName = 0;
    uint32_t largestData = 0;
    status = os.regQueryInfoKey(key.get(), &longestName, &largestData);
    if (status != kErrorSuccess) {
        LogMessage(log, SEV_INFO, "%s: RegQueryInfoKey failed rc=0x%x", self, status);
        return;
    }
    std::vector<char> name(longestName + 1);
    std::vector<uint8_t> data(largestData + 1);
    int matches = 0;
    uint32_t index = 0;
    for (;; ++index) {
        uint32_t nameChars = longestName + 1;
        uint32_t dataSize = largestData;
        uint32_t type = kRegNone;
        status = os.regEnumValue(key.get(), index, name.data(), &nameChars, &type, data.data(),
                                 &dataSize);
        if (status != kErrorSuccess) {
            break;
        }
        std::string valueName(name.data(), nameChars);
        if (LowerCase(valueName).find(kMakerFilter) == std::string::npos) {
            continue;
        }
        ++matches;
        if (type == kRegDword && dataSize >= 4) {
            int32_t count;
            std::memcpy(&count, data.data(), 4);
            LogMessage(log, SEV_INFO, "%s refcount=%d", valueName.c_str(), count);
        } else {
            // Never read bytes the value does not have.
            LogMessage(log, SEV_INFO, "%s refcount not a number (type=%u, size=%u)",
                       valueName.c_str(), type, dataSize);
        }
    }
    if (status != kErrorNoMoreItems) {
        LogMessage(log, SEV_INFO, "%s: RegEnumValue failed rc=0x%x", self, status);
    }
    LogMessage(log, SEV_INFO, "%s: got %d QXI refcounts", self, matches);
}

uint32_t QXLogConfig(Library& library, MsiHandle session) {
    return RunAction(library, session, kLogConfigFrame, [&] {
        Platform& os = library.os;
        const char* name = kLogConfigFrame.name;
        if (os.msiGetMode(session, kRunModeScheduled)) {
            if (os.msiGetMode(session, kRunModeMaintenance)) {
                LogMessage(library.log, SEV_INFO, "%s MsiRunMode = Maintenance", name);
            } else {
                LogMessage(library.log, SEV_INFO, "%s MsiRunMode is not Maintenance", name);
            }
            if (os.msiGetMode(session, kRunModeLogEnabled)) {
                LogMessage(library.log, SEV_INFO, "%s MsiRunMode = Logging is enabled", name);
            } else {
                LogMessage(library.log, SEV_INFO, "MsiRunMode Logging is NOT enabled");
            }
            LogRefCounts(library);
        }
        return kErrorSuccess;
    });
}

}  // namespace qx
