#include "qxmsica/FileCheck.h"

#include "common/Format.h"
#include "common/InstallerLog.h"
#include "common/PropertyActions.h"
#include "platform/ScopedHandle.h"

namespace qx::qxmsica {

uint32_t QX_CheckFileExists(Library& library, MsiHandle session) {
    library.hInstall = session;
    std::string path = MGetProperty(library, session, "QX_PATHTOFILE");
    try {
        // No sharing: a file that another program has open counts as missing too.
        KernelHandle file(library.os, library.os.openFileForRead(path.c_str()));
        if (!file) {
            LogToMsi(library,
                     formatText("QX_CheckFileExists: cannot find file '%s'", path.c_str()));
            MSetProperty(library, session, "QX_FileMissing", "1");
        } else {
            file.reset();
            MSetProperty(library, session, "QX_FileMissing", "0");
        }
    } catch (...) {
        LogToMsi(library,
                 formatText("QX_CheckFileExists: cannot find file (exception)'%s'", path.c_str()));
        MSetProperty(library, session, "QX_FileMissing", "1");
    }
    return kErrorSuccess;
}

}  // namespace qx::qxmsica
