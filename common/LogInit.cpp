// Opening the log facility for an action.

#include "common/DebugOut.h"
#include "common/Log.h"
#include "common/LogPaths.h"

namespace qx {
namespace {

constexpr const char* kFileVersion = "1.5.2.18338";
constexpr const char* kBuildNumber = "18338";
// Room for "\temp\qxeca.log" after the Windows directory in a 260-character path.
constexpr size_t kWindowsDirectoryCapacity = 244;

}  // namespace

std::string QxecaVersionText() {
    std::string version = kFileVersion;
    return version.substr(0, version.rfind('.') + 1) + kBuildNumber;
}

void QxLogInit(CLog& log, const char* fileName, const char* directory, uint32_t sizeKilobytes,
               uint8_t mode, int popupStyle, const char* component) {
    Platform& os = log.os;
    if (!fileName || !*fileName) {
        DebugNote(os, kNoteError, "QxLogInit, no filename\n");
        return;
    }
    if (!directory || !*directory) {
        DebugNote(os, kNoteError, "QxLogInit, no path\n");
        return;
    }
    if (mode == LOG_MASTER && sizeKilobytes == 0) {
        DebugNote(os, kNoteError, "QxLogInit, LOG_MASTER must specify file size\n");
        return;
    }
    log.open = 0;
    log.sizeLimit = mode == LOG_MASTER ? sizeKilobytes * 1024 : 0;
    log.mode = mode;
    log.popupStyle = popupStyle | static_cast<int>(kMbSetForeground | kMbIconWarning);
    log.filePath = std::string(directory) + "\\" + fileName;
    DebugNote(os, kNoteLog, "QxLogInit, logfile fqn = '%s'\n", log.filePath.c_str());
    log.component = component ? component : "";
    if (mode == LOG_SLAVE) {
        log.open = 1;
        return;
    }
    if (!MakeDirectory(os, directory)) {
        DebugNote(os, kNoteError, "QxLogInit, Master failed to open/create path %s\n", directory);
        return;
    }
    CrtFile file(os);
    if (!OpenLogFile(log, file)) {
        DebugNote(os, kNoteError, "QxLogInit, Master failed to open log, must abort log init\n");
        return;
    }
    log.open = 1;
}

void QxecaLogInit(CLog& log, const char* component) {
    Platform& os = log.os;
    std::string version = QxecaVersionText();
    DebugNote(os, kNoteLog, "QxecaLogInit starting (%s, %s)\n", component, version.c_str());
    std::string directory;
    if (!GetSWindowsDirectory(log, directory, kWindowsDirectoryCapacity)) {
        os.outputDebugString("Exiting... Can't get Windows directory\n");
        DebugNote(os, kNoteError, "could not get path for logfile (path = '%s', component='%s')\n",
                  directory.c_str(), component);
        return;
    }
    directory += "\\temp";
    QxLogInit(log, "qxeca.log", directory.c_str(), 500, LOG_MASTER, -1, component);
    LogMessage(log, SEV_INFO, "%s dll version %s", "qxeca", version.c_str());
}

}  // namespace qx
