// The custom actions of qxeca.dll: each binds the real platform and the library's one state
// object, and calls its action behind the export guard.

#include "common/ConfigLogging.h"
#include "common/ExportGuard.h"
#include "platform/CustomAction.h"
#include "platform/win32/Win32Platform.h"
#include "qxeca/settings/FileVersionCheck.h"
#include "qxeca/settings/LaunchApp.h"
#include "qxeca/settings/RegistrySaveRestore.h"
#include "qxeca/settings/RegistrySet.h"
#include "qxeca/settings/RenameFile.h"
#include "qxeca/settings/ServiceControl.h"
#include "qxeca/settings/TaskOffload.h"

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

uint32_t QX_STDCALL QX_SaveHKLMRegDW(qx::MsiHandle session) {
    return qx::GuardExport(Qxeca(), "QX_SaveHKLMRegDW", session, qx::QX_SaveHKLMRegDW);
}
QX_CHECK_CUSTOM_ACTION(QX_SaveHKLMRegDW);

uint32_t QX_STDCALL QX_RestoreHKLMRegDW(qx::MsiHandle session) {
    return qx::GuardExport(Qxeca(), "QX_RestoreHKLMRegDW", session, qx::QX_RestoreHKLMRegDW);
}
QX_CHECK_CUSTOM_ACTION(QX_RestoreHKLMRegDW);

uint32_t QX_STDCALL QX_SetHKLMRegDW(qx::MsiHandle session) {
    return qx::GuardExport(Qxeca(), "QX_SetHKLMRegDW", session, qx::QX_SetHKLMRegDW);
}
QX_CHECK_CUSTOM_ACTION(QX_SetHKLMRegDW);

uint32_t QX_STDCALL QX_SetImmHKUSIDRegDW(qx::MsiHandle session) {
    return qx::GuardExport(Qxeca(), "QX_SetImmHKUSIDRegDW", session, qx::QX_SetImmHKUSIDRegDW);
}
QX_CHECK_CUSTOM_ACTION(QX_SetImmHKUSIDRegDW);

uint32_t QX_STDCALL QX_SetDefHKUSIDRegDW(qx::MsiHandle session) {
    return qx::GuardExport(Qxeca(), "QX_SetDefHKUSIDRegDW", session, qx::QX_SetDefHKUSIDRegDW);
}
QX_CHECK_CUSTOM_ACTION(QX_SetDefHKUSIDRegDW);

uint32_t QX_STDCALL QX_TCPDisableTaskOffload(qx::MsiHandle session) {
    return qx::GuardExport(Qxeca(), "QX_TCPDisableTaskOffload", session,
                           qx::QX_TCPDisableTaskOffload);
}
QX_CHECK_CUSTOM_ACTION(QX_TCPDisableTaskOffload);

uint32_t QX_STDCALL QX_IncrementDisableTaskOffload(qx::MsiHandle session) {
    return qx::GuardExport(Qxeca(), "QX_IncrementDisableTaskOffload", session,
                           qx::QX_IncrementDisableTaskOffload);
}
QX_CHECK_CUSTOM_ACTION(QX_IncrementDisableTaskOffload);

uint32_t QX_STDCALL QX_DecrementDisableTaskOffload(qx::MsiHandle session) {
    return qx::GuardExport(Qxeca(), "QX_DecrementDisableTaskOffload", session,
                           qx::QX_DecrementDisableTaskOffload);
}
QX_CHECK_CUSTOM_ACTION(QX_DecrementDisableTaskOffload);

uint32_t QX_STDCALL QXStartService(qx::MsiHandle session) {
    return qx::GuardExport(Qxeca(), "QXStartService", session, qx::QXStartService);
}
QX_CHECK_CUSTOM_ACTION(QXStartService);

uint32_t QX_STDCALL QXStopService(qx::MsiHandle session) {
    return qx::GuardExport(Qxeca(), "QXStopService", session, qx::QXStopService);
}
QX_CHECK_CUSTOM_ACTION(QXStopService);

uint32_t QX_STDCALL QX_CheckFileVers(qx::MsiHandle session) {
    return qx::GuardExport(Qxeca(), "QX_CheckFileVers", session, qx::QX_CheckFileVers);
}
QX_CHECK_CUSTOM_ACTION(QX_CheckFileVers);

uint32_t QX_STDCALL QXRenameFile(qx::MsiHandle session) {
    return qx::GuardExport(Qxeca(), "QXRenameFile", session, qx::QXRenameFile);
}
QX_CHECK_CUSTOM_ACTION(QXRenameFile);

uint32_t QX_STDCALL QXLaunchApp(qx::MsiHandle session) {
    return qx::GuardExport(Qxeca(), "QXLaunchApp", session, qx::QXLaunchApp);
}
QX_CHECK_CUSTOM_ACTION(QXLaunchApp);

}  // extern "C"
