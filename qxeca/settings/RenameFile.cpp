#include "qxeca/settings/RenameFile.h"

#include "common/ActionFrame.h"
#include "common/Format.h"
#include "common/PropertyActions.h"
#include "platform/ScopedHandle.h"

namespace qx {
namespace {

const ActionFrame kFrame{
    .name = "QX_Rename_File_Def",
    .startLine = "----->> %s Starting... <<-----",
    .debugRead = DebugRead::None,
    .normalExit = {"----->> %s Exiting... <<-----\n", false},
    .exceptionExit = {"----->> %s exception exit... <<-----\n", false},
    .onMsiException = Returns(kErrorSuccess),
    .onOtherException = kNoHandler,
};

}  // namespace

std::string TimeStampedPath(const std::string& path, const std::string& suffix) {
    size_t slash = path.rfind('\\');
    size_t dot = path.rfind('.');
    // A "." before the last "\" belongs to a folder, not to the file's name.
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
        return path.substr(0, dot) + suffix + path.substr(dot);
    }
    return path + suffix;
}

uint32_t QXRenameFile(Library& library, MsiHandle session) {
    return RunAction(library, session, kFrame, [&] {
        Platform& os = library.os;
        CLog& log = library.log;
        const char* name = kFrame.name;
        std::string path = GetProperty(library, session, "CustomActionData");
        LogMessage(log, SEV_INFO, "%s got filename '%s'", name, path.c_str());
        if (path.empty() || path == "qxblank") {
            LogMessage(log, SEV_INFO, "%s target filename is empty ('%s'), will exit", name,
                       path.c_str());
            return ActionEnd(kErrorSuccess);
        }
        uint64_t written = 0;
        {
            // Without sharing: a file another process has open is left alone.
            KernelHandle file(os, os.openFileForRead(path.c_str()));
            if (!file) {
                LogMessage(log, SEV_INFO, "%s couldn't open file '%s'", name, path.c_str());
                return ActionEnd(kErrorSuccess);
            }
            if (!os.getFileLastWriteTime(file.get(), &written)) {
                file.reset();
                LogMessage(log, SEV_INFO, "%s GetFileTime failed", name);
                return ActionEnd(kErrorSuccess);
            }
        }
        uint64_t local = 0;
        CalendarTime time;
        if (!os.fileTimeToLocalFileTime(written, &local) ||
            !os.fileTimeToSystemTime(local, &time)) {
            // No time, no name to give the file.
            LogMessage(log, SEV_INFO, "%s cannot convert the time of '%s', will not rename", name,
                       path.c_str());
            return ActionEnd(kErrorSuccess);
        }
        std::string renamed =
            TimeStampedPath(path, formatText("_%i_%02i_%02i_%02i%02i", time.year, time.month,
                                             time.day, time.hour, time.minute));
        if (os.moveFile(path.c_str(), renamed.c_str())) {
            LogMessage(log, SEV_INFO, "%s: renamed %s as %s ", name, path.c_str(), renamed.c_str());
        } else {
            LogMessage(log, SEV_INFO, "%s: DID NOT RENAME '%s' as '%s', rc=%#x", name, path.c_str(),
                       renamed.c_str(), static_cast<unsigned>(-1));
        }
        return ActionEnd(kErrorSuccess);
    });
}

}  // namespace qx
