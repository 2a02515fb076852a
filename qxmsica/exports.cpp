// The custom actions of qxmsica.dll: each binds the real platform and the library's one state
// object, and calls its action behind the export guard.

#include "common/ExportGuard.h"
#include "platform/CustomAction.h"
#include "platform/win32/Win32Platform.h"
#include "qxmsica/FileCheck.h"
#include "qxmsica/FilePrompt.h"
#include "qxmsica/LegacyRegistry.h"
#include "qxmsica/LinkSpeed.h"

namespace {

qx::Library& Qxmsica() {
    static qx::Library library(qx::win32Platform(), qx::kQxmsica);
    return library;
}

}  // namespace

extern "C" {

uint32_t QX_STDCALL QX_LinkSpeedBitsToBytes(qx::MsiHandle session) {
    return qx::GuardExport(Qxmsica(), "QX_LinkSpeedBitsToBytes", session,
                           qx::qxmsica::QX_LinkSpeedBitsToBytes);
}
QX_CHECK_CUSTOM_ACTION(QX_LinkSpeedBitsToBytes);

uint32_t QX_STDCALL QX_LinkSpeedBytesToBits(qx::MsiHandle session) {
    return qx::GuardExport(Qxmsica(), "QX_LinkSpeedBytesToBits", session,
                           qx::qxmsica::QX_LinkSpeedBytesToBits);
}
QX_CHECK_CUSTOM_ACTION(QX_LinkSpeedBytesToBits);

uint32_t QX_STDCALL QX_SetHKLMRegDW(qx::MsiHandle session) {
    return qx::GuardExport(Qxmsica(), "QX_SetHKLMRegDW", session, qx::qxmsica::QX_SetHKLMRegDW);
}
QX_CHECK_CUSTOM_ACTION(QX_SetHKLMRegDW);

uint32_t QX_STDCALL QX_DelRegQXEOrder(qx::MsiHandle session) {
    return qx::GuardExport(Qxmsica(), "QX_DelRegQXEOrder", session,
                           qx::qxmsica::QX_DelRegQXEOrder);
}
QX_CHECK_CUSTOM_ACTION(QX_DelRegQXEOrder);

uint32_t QX_STDCALL QX_BrowseFile(qx::MsiHandle session) {
    return qx::GuardExport(Qxmsica(), "QX_BrowseFile", session, qx::qxmsica::QX_BrowseFile);
}
QX_CHECK_CUSTOM_ACTION(QX_BrowseFile);

uint32_t QX_STDCALL QX_CheckFileExists(qx::MsiHandle session) {
    return qx::GuardExport(Qxmsica(), "QX_CheckFileExists", session,
                           qx::qxmsica::QX_CheckFileExists);
}
QX_CHECK_CUSTOM_ACTION(QX_CheckFileExists);

}  // extern "C"
