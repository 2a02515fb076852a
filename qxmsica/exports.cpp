// The custom actions of qxmsica.dll: each runs its action on the library's one state object,
// bound to the real platform, behind the export guard.

#include "common/ExportGuard.h"
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

QX_EXPORT_ACTION(Qxmsica, QX_LinkSpeedBitsToBytes, qx::qxmsica::QX_LinkSpeedBitsToBytes);
QX_EXPORT_ACTION(Qxmsica, QX_LinkSpeedBytesToBits, qx::qxmsica::QX_LinkSpeedBytesToBits);
QX_EXPORT_ACTION(Qxmsica, QX_SetHKLMRegDW, qx::qxmsica::QX_SetHKLMRegDW);
QX_EXPORT_ACTION(Qxmsica, QX_DelRegQXEOrder, qx::qxmsica::QX_DelRegQXEOrder);
QX_EXPORT_ACTION(Qxmsica, QX_BrowseFile, qx::qxmsica::QX_BrowseFile);
QX_EXPORT_ACTION(Qxmsica, QX_CheckFileExists, qx::qxmsica::QX_CheckFileExists);
