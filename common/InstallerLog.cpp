#include "common/InstallerLog.h"

#include "common/MsiException.h"

namespace qx {

void LogToMsi(Library& library, const std::string& text) {
    Platform& os = library.os;
    InstallerRecord record(os, os.msiCreateRecord(1));
    if (!record) {
        if (library.flavour.installerLogNeedsRecord) {
            throw CMSIException::InSource(library, eCreateRecordFail, "", "util", 46);
        }
        return;
    }
    std::string line = library.flavour.installerLogPrefix;
    line += text;
    os.msiRecordSetString(record.get(), 1, line.c_str());
    os.msiProcessMessage(library.hInstall, kInstallMessageInfo, record.get());
}

}  // namespace qx
