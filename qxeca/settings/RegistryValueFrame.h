#pragma once
// The frame row that QX_SaveHKLMRegDW, QX_RestoreHKLMRegDW and QX_SetImmHKUSIDRegDW share: no
// DEBUG read, a quiet normal exit, an echoed exception exit and ERROR_INSTALL_FAILURE for a
// caught CMSIException.

#include "common/ActionFrame.h"

namespace qx {

inline ActionFrame RegistryValueFrame(const char* name) {
    return {
        .name = name,
        .startLine = "----->> %s Starting <<-----",
        .debugRead = DebugRead::None,
        .normalExit = {"----->> %s normal exit <<-----\n", false},
        .exceptionExit = {"----->> %s exception exit <<-----\n", true},
        .onMsiException = Returns(kErrorInstallFailure),
        .onOtherException = kNoHandler,
    };
}

}  // namespace qx
