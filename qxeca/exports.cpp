// The custom actions of qxeca.dll: each runs its action on the library's one state object,
// bound to the real platform, behind the export guard.

#include "common/ConfigLogging.h"
#include "common/ExportGuard.h"
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

QX_EXPORT_ACTION(Qxeca, QXLogConfig, qx::QXLogConfig);
QX_EXPORT_ACTION(Qxeca, QX_SaveHKLMRegDW, qx::QX_SaveHKLMRegDW);
QX_EXPORT_ACTION(Qxeca, QX_RestoreHKLMRegDW, qx::QX_RestoreHKLMRegDW);
QX_EXPORT_ACTION(Qxeca, QX_SetHKLMRegDW, qx::QX_SetHKLMRegDW);
QX_EXPORT_ACTION(Qxeca, QX_SetImmHKUSIDRegDW, qx::QX_SetImmHKUSIDRegDW);
QX_EXPORT_ACTION(Qxeca, QX_SetDefHKUSIDRegDW, qx::QX_SetDefHKUSIDRegDW);
QX_EXPORT_ACTION(Qxeca, QX_TCPDisableTaskOffload, qx::QX_TCPDisableTaskOffload);
QX_EXPORT_ACTION(Qxeca, QX_IncrementDisableTaskOffload, qx::QX_IncrementDisableTaskOffload);
QX_EXPORT_ACTION(Qxeca, QX_DecrementDisableTaskOffload, qx::QX_DecrementDisableTaskOffload);
QX_EXPORT_ACTION(Qxeca, QXStartService, qx::QXStartService);
QX_EXPORT_ACTION(Qxeca, QXStopService, qx::QXStopService);
QX_EXPORT_ACTION(Qxeca, QX_CheckFileVers, qx::QX_CheckFileVers);
QX_EXPORT_ACTION(Qxeca, QXRenameFile, qx::QXRenameFile);
QX_EXPORT_ACTION(Qxeca, QXLaunchApp, qx::QXLaunchApp);
