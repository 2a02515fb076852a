#include "qxmsica/LegacyRegistry.h"

#include <cstring>
#include <optional>

#include "common/ActionFrame.h"
#include "common/Format.h"
#include "common/InstallerLog.h"
#include "common/MsiException.h"
#include "common/PropertyActions.h"
#include "common/Text.h"
#include "qxmsica/ParameterKey.h"

namespace qx::qxmsica {
namespace {

constexpr const char* kSource = "qxca";

[[noreturn]] void Fail(Library& library, const char* text, int line) {
    throw CMSIException::InSource(library, eCustomError, text, kSource, line);
}

void SetDwordFromCommand(Library& library, const std::string& command) {
    struct MissingField {
        const char* text;
        int line;
    };
    // By the number of fields that were found whole.
    static constexpr MissingField kMissing[] = {
        {"invalid custom action key parameter", 231},
        {"invalid custom action value parameter", 239},
        {"invalid custom action data parameter", 247},
    };
    KeyNameData fields;
    int found = SplitKeyNameData(command, &fields);
    if (found < 3) {
        Fail(library, kMissing[found].text, kMissing[found].line);
    }
    Platform& os = library.os;
    RegistryKey key(os);
    // No KEY_WOW64_64KEY: on 64-bit Windows this library writes to the 32-bit view.
    if (os.regCreateKey(kHkeyLocalMachine, fields.key.c_str(), kKeySetValue, key.receive()) !=
        kErrorSuccess) {
        Fail(library, "unable to create registry key", 282);
    }
    uint32_t value = static_cast<uint32_t>(DecimalValue(fields.data));
    uint8_t bytes[sizeof value];
    std::memcpy(bytes, &value, sizeof value);
    if (os.regSetValue(key.get(), fields.name.c_str(), kRegDword, bytes, sizeof bytes) !=
        kErrorSuccess) {
        Fail(library, "unable to set registry key value", 295);
    }
    LogToMsi(library, formatText("QX_SetHKLMRegDW set registry key '%s' name '%s' data '%s'",
                                 fields.key.c_str(), fields.name.c_str(), fields.data.c_str()));
}

constexpr uint32_t kSubKeyNameChars = 260;  // names of up to 259 characters

// The name of the first sub-key; nothing when there is none or it cannot be read.
std::optional<std::string> FirstSubKey(Platform& os, OsHandle key) {
    char name[kSubKeyNameChars] = {};
    uint32_t chars = kSubKeyNameChars;
    if (os.regEnumKey(key, 0, name, &chars) != kErrorSuccess) {
        return std::nullopt;
    }
    return std::string(name, chars);
}

// Deletes a sub-key with everything below it: a key that has sub-keys cannot be deleted in one
// step. Stops at the first key that will not go and returns that status.
Status DeleteKeyTree(Platform& os, OsHandle parent, const std::string& name) {
    {
        RegistryKey key(os);
        if (os.regOpenKey(parent, name.c_str(), kMaximumAllowed, key.receive()) == kErrorSuccess) {
            while (auto child = FirstSubKey(os, key.get())) {
                Status status = DeleteKeyTree(os, key.get(), *child);
                if (status != kErrorSuccess) {
                    return status;
                }
            }
        }
    }
    return os.regDeleteKey(parent, name.c_str());
}

}  // namespace

uint32_t QX_SetHKLMRegDW(Library& library, MsiHandle session) {
    library.hInstall = session;
    ReadDebugLevel(library, session);
    CFunctionScope scope(library, "QX_SetHKLMRegDW");
    try {
        SetDwordFromCommand(library, MGetProperty(library, session, "CustomActionData"));
        return kErrorSuccess;
    } catch (const CMSIException& caught) {
        CMSIException exception = caught;
        exception.ProcessError(session);
        exception.Delete();
        library.os.msiCloseAllHandles();
        return kErrorInstallFailure;
    }
}

uint32_t QX_DelRegQXEOrder(Library& library, MsiHandle session) {
    library.hInstall = session;
    Platform& os = library.os;
    uint32_t platformId = GetPlatformId(os);
    uint32_t ntMajor = platformId == kVerPlatformWin32Nt ? GetNtMajorVersion(os) : 0;
    std::string path = QxeParameterKey(platformId, ntMajor) + "\\Order";
    RegistryKey order(os);
    if (os.regOpenKey(kHkeyLocalMachine, path.c_str(), kMaximumAllowed, order.receive()) !=
        kErrorSuccess) {
        LogToMsi(library, formatText("QX_DelRegQXEOrder unable to open key '%s'", path.c_str()));
        return kErrorSuccess;
    }
    LogToMsi(library, formatText("QX_DelRegQXEOrder deleting all keys in '%s'", path.c_str()));
    while (auto name = FirstSubKey(os, order.get())) {
        Status status = DeleteKeyTree(os, order.get(), *name);
        if (status != kErrorSuccess) {
            // Asking for index 0 again would return the same name for ever.
            LogToMsi(library, formatText("QX_DelRegQXEOrder unable to delete key '%s\\%s' "
                                         "(rc=%#x), stopping",
                                         path.c_str(), name->c_str(), status));
            break;
        }
    }
    os.regDeleteValue(order.get(), "DBVersion");
    return kErrorSuccess;
}

}  // namespace qx::qxmsica
