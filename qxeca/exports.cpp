// The custom actions of qxeca.dll: each binds the real platform and the library's one state
// object, and calls its action behind the export guard.

#include "common/ConfigLogging.h"
#include "common/ExportGuard.h"
#include "platform/CustomAction.h"
#include "platform/win32/Win32Platform.h"

namespace {

qx::Library& Qxeca() {
    static qx::Library library(qx::win32Platform(), qx::kQxeca);
    return library;
}

}  // namespace

extern "C" {

uint32_t QX_STDCALL QXLogConfig(qx::MsiHandle session) {
    return qx::GuardExport(Qxeca(), "QXLogConfig", session, qx::QXLogConfig);
}
QX_CHECK_CUSTOM_ACTION(QXLogConfig);

}  // extern "C"
