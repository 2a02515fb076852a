// The custom actions of qxmsica.dll: each binds the real platform and the library's one state
// object, and calls its action behind the export guard.

#include "common/ExportGuard.h"
#include "platform/CustomAction.h"
#include "platform/win32/Win32Platform.h"
