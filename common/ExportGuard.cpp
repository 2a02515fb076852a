#include "common/ExportGuard.h"

#include <exception>

#include "common/Format.h"
#include "common/InstallerLog.h"
#include "common/MsiException.h"

namespace qx {
namespace {

void ReportEscape(Library& library, const char* exportName, MsiHandle session,
                  const char* what) noexcept {
    // The escape may have happened before the action stored its session.
    library.hInstall = session;
    try {
        std::string line = formatText(
            "----->> %s unhandled exception (%s), returning ERROR_INSTALL_FAILURE <<-----\n",
            exportName, what);
        if (library.log.open) {
            LogMessage(library.log, SEV_ERROR, "%s", line.c_str());
        }
        LogToMsi(library, line);
    } catch (...) {
        // Nothing more can be reported; the result still tells the installer.
    }
    CloseLog(library.log);
}

}  // namespace

uint32_t GuardExport(Library& library, const char* exportName, MsiHandle session,
                     Action action) noexcept {
    try {
        return action(library, session);
    } catch (const CMSIException& exception) {
        std::string what = formatText("CMSIException kind %d", exception.GetKind());
        exception.Delete();
        ReportEscape(library, exportName, session, what.c_str());
    } catch (const std::exception& exception) {
        ReportEscape(library, exportName, session, exception.what());
    } catch (...) {
        ReportEscape(library, exportName, session, "unknown exception");
    }
    return kErrorInstallFailure;
}

}  // namespace qx
