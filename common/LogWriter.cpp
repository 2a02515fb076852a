// LogMessage and the file it writes to.

#include <cstdarg>

#include "common/DebugOut.h"
#include "common/FileLock.h"
#include "common/Format.h"
#include "common/Log.h"
#include "common/LogLine.h"

namespace qx {
namespace {

constexpr size_t kLogTextChars = 1039;

const char* SeverityLabel(uint32_t severity) {
    switch (severity) {
        case SEV_DEBUG:
            return "DEBUG";
        case SEV_INFO:
            return "INFO";
        case SEV_WARNING:
            return "WARNING";
        case SEV_ERROR:
            return "ERROR";
        case SEV_CRITICAL:
            return "CRITICAL";
        case SEV_POPUP:
            return "POPUP";
        default:
            return nullptr;
    }
}

// Locks the bytes the line will occupy at the end of the file. A writer that had to wait finds
// the end moved by the writer it waited for: it lets go and locks at the new end, so that it
// never overwrites that writer's line. Returns the position the line goes to, or -1; a writer
// that never finds the end settled gives up its line rather than write over another.
long LockAtEnd(Platform& os, int fd, long position, long length) {
    constexpr int kMaxMoves = 100;
    for (int moves = 0; moves <= kMaxMoves; ++moves) {
        if (LockWithRetry(os, fd, length) != 0) {
            return -1;
        }
        long end = os.fileLength(fd);
        if (end < 0 || end == position) {
            return position;
        }
        os.fileUnlock(fd, length);
        position = end;
        if (os.fileSeek(fd, position, SeekOrigin::Begin) < 0) {
            return -1;
        }
    }
    return -1;
}

void WriteLine(CLog& log, const char* label, const std::string& text) {
    Platform& os = log.os;
    CrtFile file(os);
    if (!OpenLogFile(log, file)) {
        DebugNote(os, kNoteError, "Failed to open log, try next msg in buf\n");
        return;
    }
    long position = os.fileSeek(file.get(), 0, SeekOrigin::End);
    if (position < 0) {
        DebugNote(os, kNoteError, "Failed to move File ptr rc=%d\n", os.crtErrno());
        return;
    }
    std::string bytes = TextModeBytes(LogLine(os.localTime(), log.component, label, text));
    auto length = static_cast<long>(bytes.size());
    position = LockAtEnd(os, file.get(), position, length);
    if (position < 0) {
        DebugNote(os, kNoteError, "Failed to lock %d bytes rc=%d\n", static_cast<int>(length),
                  os.crtErrno());
        return;
    }
    os.fileWrite(file.get(), bytes.data(), static_cast<unsigned>(bytes.size()));
    if (os.fileSeek(file.get(), position, SeekOrigin::Begin) < 0) {
        // The range stays locked until the descriptor is closed.
        DebugNote(os, kNoteError, "Failed to move File ptr for unlock rc=%d\n", os.crtErrno());
    } else if (os.fileUnlock(file.get(), length) != 0) {
        DebugNote(os, kNoteError, "Failed to unlock Log file rc=%d\n", os.crtErrno());
    }
}

}  // namespace

bool OpenLogFile(CLog& log, CrtFile& file) {
    Platform& os = log.os;
    switch (log.mode) {
        case LOG_MASTER:
            *file.receive() = os.fileOpen(log.filePath.c_str(), FileOpenMode::ReadWriteCreate);
            if (!file) {
                DebugNote(os, kNoteError, "OpenLogFile (mode LOG_MASTER) _open failed, errno %#x\n",
                          os.crtErrno());
            }
            break;
        case LOG_SLAVE:
            *file.receive() = os.fileOpen(log.filePath.c_str(), FileOpenMode::ReadWriteExisting);
            if (!file) {
                DebugNote(os, kNoteError,
                          "OpenLogFile (mode mode LOG_SLAVE) _open failed, errno %#x\n",
                          os.crtErrno());
            }
            break;
        default:
            file.reset();
            DebugNote(os, kNoteError, "OpenLogFile -- mode %x not supported\n", log.mode);
            break;
    }
    return static_cast<bool>(file);
}

void LogMessage(CLog& log, uint32_t severity, const char* format, ...) {
    Platform& os = log.os;
    if (log.open == 0) {
        DebugNote(os, kNoteWarning,
                  "LogMessage instantiation of class failed, LOG FACILITY IS UNAVAILABLE !!\n");
        return;
    }
    if (severity == 0) {
        DebugNote(os, kNoteWarning, "LogMessage NO severity provided, defaulting to SEV_INFO\n");
        severity = SEV_INFO;
    }
    va_list arguments;
    va_start(arguments, format);
    std::string text = formatTextV(format, arguments);
    va_end(arguments);
    if (text.size() > kLogTextChars) {
        text.resize(kLogTextChars);
    }
    const char* label = SeverityLabel(severity);
    if (!label) {
        DebugNote(os, kNoteError, "unknown MsgType %lX\n", static_cast<unsigned long>(severity));
        return;
    }
    DebugOut(os, "%s:%s\n", label, text.c_str());
    if (severity == SEV_DEBUG) {
        return;
    }
    if (severity == SEV_POPUP && log.popupStyle != -1) {
        os.messageBox(text.c_str(), log.component.c_str(), static_cast<uint32_t>(log.popupStyle));
    }
    if (log.mode == LOG_MASTER) {
        EnforceCircular(log);
    }
    WriteLine(log, label, text);
}

void CloseLog(CLog& log) {
    log.open = 0;
}

}  // namespace qx
