#include "qxeca/settings/RegistrySaveRestore.h"

#include <cstring>

#include "common/ActionFrame.h"
#include "common/ErrorText.h"
#include "common/Format.h"
#include "common/InstallerLog.h"
#include "common/PlatformHelpers.h"
#include "common/PropertyActions.h"
#include "platform/ScopedHandle.h"
#include "qxeca/settings/CommandText.h"
#include "qxeca/settings/RegistryValueFrame.h"
#include "qxeca/settings/UserSidKey.h"

namespace qx {
namespace {

constexpr const char* kStoreKey = "SOFTWARE\\Quaxten\\InstalledProducts";

const ActionFrame kSaveFrame = RegistryValueFrame("QX_SaveHKLMRegDW");
const ActionFrame kRestoreFrame = RegistryValueFrame("QX_RestoreHKLMRegDW");

// The backslashes are ordinary characters of the value name: no sub-keys are made.
std::string SavedValueName(const std::string& key, const std::string& valueName) {
    return "SavedDataDW\\" + key + "\\" + valueName;
}

Status QueryDword(Platform& os, const RegistryKey& key, const std::string& name, uint32_t* data,
                  uint32_t* type) {
    uint8_t bytes[4] = {};
    uint32_t size = sizeof bytes;
    Status status = os.regQueryValue(key.get(), name.c_str(), type, bytes, &size);
    std::memcpy(data, bytes, sizeof bytes);
    return status;
}

Status SetDword(Platform& os, const RegistryKey& key, const std::string& name, uint32_t data) {
    uint8_t bytes[4];
    std::memcpy(bytes, &data, sizeof bytes);
    return os.regSetValue(key.get(), name.c_str(), kRegDword, bytes, sizeof bytes);
}

// A plain deferred run. Rollback and commit runs come from the script too and also see
// MSIRUNMODE_SCHEDULED, but they take the opposite operation.
bool DeferredRun(Platform& os, MsiHandle session) {
    return os.msiGetMode(session, kRunModeScheduled) && !os.msiGetMode(session, kRunModeRollback) &&
           !os.msiGetMode(session, kRunModeCommit);
}

}  // namespace

bool get2msiparm(Library& library, std::string& key, std::string& valueName) {
    const char* self = "get2msiparm";
    std::string data = GetProperty(library, library.hInstall, "CustomActionData");
    LogMessage(library.log, SEV_INFO, "%s: CustomActionData = '%s'", self, data.c_str());
    auto fields = SplitTwoFields(data);
    if (!fields) {
        LogMessage(library.log, SEV_ERROR, "%s: cannot parse CustomActionData; length=%d, sep=%d",
                   self, static_cast<int>(data.size()), -1);
        return false;
    }
    key = fields->key;
    valueName = fields->valueName;
    LogMessage(library.log, SEV_INFO, "%s: keyname='%s', valuename='%s'", self, key.c_str(),
               valueName.c_str());
    return true;
}

void saveregdw(Library& library) {
    Platform& os = library.os;
    CLog& log = library.log;
    const char* self = "saveregdw";
    std::string key;
    std::string valueName;
    if (!get2msiparm(library, key, valueName)) {
        LogMessage(log, SEV_INFO, "%s: can't get parameters, so exiting without saving reg data'",
                   self);
        return;
    }
    uint32_t data = 0;
    {
        RegistryKey machineKey(os);
        Status status = os.regOpenKey(kHkeyLocalMachine, key.c_str(),
                                      NativeViewAccess(os, kKeyRead), machineKey.receive());
        if (status != kErrorSuccess) {
            LogMessage(log, SEV_INFO,
                       "%s: cannot open HKLM key '%s', there's no original value. NOT an error "
                       "(system message %s (%#x)",
                       self, key.c_str(), SystemMessageText(os, status).c_str(), status);
            return;
        }
        uint32_t type = kRegNone;
        status = QueryDword(os, machineKey, valueName, &data, &type);
        machineKey.reset();
        // A value longer than four bytes fails the read: only DWORDs are kept.
        if (status != kErrorSuccess || type != kRegDword) {
            LogMessage(log, SEV_INFO,
                       "%s: opened key %s, but got no DW data named %s. NOT an error (rc=0x%x, "
                       "type=0x%x",
                       self, key.c_str(), valueName.c_str(), status, type);
            return;
        }
    }
    LogMessage(log, SEV_INFO, "%s: found original data 0x%x for DW dwData %s in HKLM key '%s'",
               self, data, valueName.c_str(), key.c_str());
    std::string storePath = UserSidKeyPath(library, kStoreKey);
    RegistryKey store(os);
    if (os.regCreateKey(kHkeyUsers, storePath.c_str(), NativeViewAccess(os, kKeyAllAccess),
                        store.receive()) != kErrorSuccess) {
        LogMessage(log, SEV_ERROR, "%s: cannot open HKU SID key '%s' to save the data, will exit",
                   self, storePath.c_str());
        return;
    }
    std::string savedName = SavedValueName(key, valueName);
    Status status = SetDword(os, store, savedName, data);
    if (status == kErrorSuccess) {
        LogMessage(log, SEV_INFO, "%s saved DW data %#x in key %s in HKU %s", self, data,
                   savedName.c_str(), storePath.c_str());
        return;
    }
    std::string line =
        formatText("%s: unable to set %s in HKU %s (err='%s', rc=0x%x", self, savedName.c_str(),
                   storePath.c_str(), SystemMessageText(os, status).c_str(), status);
    LogToMsi(library, line);
    LogMessage(log, SEV_ERROR, "%s", line.c_str());
}

void restoreregdw(Library& library) {
    Platform& os = library.os;
    CLog& log = library.log;
    const char* self = "restoreregdw";
    std::string key;
    std::string valueName;
    if (!get2msiparm(library, key, valueName)) {
        LogMessage(log, SEV_INFO,
                   "%s: can't get parameters, so exiting without restoring reg data'", self);
        return;
    }
    std::string storePath = UserSidKeyPath(library, kStoreKey);
    RegistryKey store(os);
    if (os.regOpenKey(kHkeyUsers, storePath.c_str(), NativeViewAccess(os, kKeyAllAccess),
                      store.receive()) != kErrorSuccess) {
        LogMessage(log, SEV_INFO, "%s: cannot open HKU key '%s', no saved data found, will exit",
                   self, storePath.c_str());
        return;
    }
    std::string savedName = SavedValueName(key, valueName);
    uint32_t data = 0;
    uint32_t type = kRegNone;  // whatever the copy's type, its four bytes are restored
    if (QueryDword(os, store, savedName, &data, &type) != kErrorSuccess) {
        LogMessage(log, SEV_INFO, "%s: did not find key value '%s', no saved data found, will exit",
                   self, savedName.c_str());
        return;
    }
    LogMessage(log, SEV_INFO, "%s: found saved data 0x%x for '%s'", self, data, savedName.c_str());
    {
        // A key that is gone by now is made again.
        RegistryKey machineKey(os);
        Status status = os.regCreateKey(kHkeyLocalMachine, key.c_str(),
                                        NativeViewAccess(os, kKeyAllAccess), machineKey.receive());
        if (status != kErrorSuccess) {
            LogMessage(log, SEV_ERROR,
                       "%s: cannot open HKLM key '%s', will exit without restoring data (rc=0x%x, "
                       "msg: '%s'",
                       self, key.c_str(), status, SystemMessageText(os, status).c_str());
            return;
        }
        status = SetDword(os, machineKey, valueName, data);
        machineKey.reset();
        if (status != kErrorSuccess) {
            LogMessage(log, SEV_ERROR, "%s: cannot restore data for %s in HKLM %s (error %s (%#x))",
                       self, valueName.c_str(), key.c_str(), SystemMessageText(os, status).c_str(),
                       status);
            return;
        }
    }
    LogMessage(log, SEV_INFO, "%s: restored data=%#x in value %s of HKLM key %s", self, data,
               valueName.c_str(), key.c_str());
    // The copy stays for a later attempt unless the value is back in place.
    if (os.regDeleteValue(store.get(), savedName.c_str()) != kErrorSuccess) {
        LogMessage(log, SEV_ERROR, "%s: cannot delete saved data key %s in HKU %s", self,
                   savedName.c_str(), storePath.c_str());
    }
}

uint32_t QX_SaveHKLMRegDW(Library& library, MsiHandle session) {
    return RunAction(library, session, kSaveFrame, [&] {
        if (DeferredRun(library.os, session)) {
            saveregdw(library);
        } else {
            restoreregdw(library);
        }
        return kErrorSuccess;
    });
}

uint32_t QX_RestoreHKLMRegDW(Library& library, MsiHandle session) {
    return RunAction(library, session, kRestoreFrame, [&] {
        if (DeferredRun(library.os, session)) {
            restoreregdw(library);
        } else {
            saveregdw(library);
        }
        return kErrorSuccess;
    });
}

}  // namespace qx
