// Keeping qxeca.log below its size limit: the full log moves to the backup file.

#include <vector>

#include "common/DebugOut.h"
#include "common/FileLock.h"
#include "common/Log.h"

namespace qx {
namespace {

// ".backup" goes before the first "." of the whole path, even one in a directory name.
std::string BackupName(const std::string& path) {
    size_t dot = path.find('.');
    if (dot == std::string::npos) {
        return ".backup" + path;
    }
    return path.substr(0, dot) + ".backup" + path.substr(dot);
}

void Rotate(CLog& log) {
    Platform& os = log.os;
    std::string backup = BackupName(log.filePath);
    DebugNote(os, kNoteLog, "Copying <%s> to <%s>\n", log.filePath.c_str(), backup.c_str());
    if (!CopyLogFile(os, backup, log.filePath)) {
        DebugNote(os, kNoteError, "backup failed; old log will be lost\n");
    }
    CrtFile emptied(os, os.fileOpen(log.filePath.c_str(), FileOpenMode::CreateTruncate));
    if (!emptied) {
        DebugNote(os, kNoteError, "_creat failed rc=%d\n", os.crtErrno());
    }
}

}  // namespace

void EnforceCircular(CLog& log) {
    Platform& os = log.os;
    long length;
    {
        CrtFile file(os, os.fileOpen(log.filePath.c_str(), FileOpenMode::ReadWriteExisting));
        if (!file) {
            DebugNote(os, kNoteError, "_open failed rc=%d\n", os.crtErrno());
            return;
        }
        length = os.fileLength(file.get());
    }
    if (length < 0) {
        DebugNote(os, kNoteError, "_filelength failed rc=%d\n", os.crtErrno());
    } else if (static_cast<uint32_t>(length) < log.sizeLimit) {
        return;
    } else {
        DebugNote(os, kNoteLog, "Enforcing circular\n");
    }
    Rotate(log);
}

bool CopyLogFile(Platform& os, const std::string& destination, const std::string& source) {
    CrtFile target(os, os.fileOpen(destination.c_str(), FileOpenMode::CreateTruncate));
    if (!target) {
        DebugNote(os, kNoteError, "CopyLogFile create <%s> failed rc=%d\n", destination.c_str(),
                  os.crtErrno());
        return false;
    }
    CrtFile from(os, os.fileOpen(source.c_str(), FileOpenMode::ReadWriteExisting));
    if (!from) {
        DebugNote(os, kNoteError, "CopyLogFile open <%s> failed rc=%d\n", source.c_str(),
                  os.crtErrno());
        return false;
    }
    long length = os.fileLength(from.get());
    if (length < 0) {
        DebugNote(os, kNoteError, "CopyLogFile file size failed rc=%d\n", os.crtErrno());
        return false;
    }
    // The whole file and one byte more: no writer can append while the copy runs.
    if (LockWithRetry(os, from.get(), length + 1) != 0) {
        DebugNote(os, kNoteError, "CopyLogFile lock file failed rc=%d\n", os.crtErrno());
        return false;
    }
    std::vector<char> block(16384);
    for (;;) {
        int count = os.fileRead(from.get(), block.data(), static_cast<unsigned>(block.size()));
        if (count < 0) {
            DebugNote(os, kNoteError, "CopyLogFile read failed rc=%d\n", os.crtErrno());
            break;
        }
        if (count == 0) {
            break;
        }
        os.fileWrite(target.get(), block.data(), static_cast<unsigned>(count));
    }
    os.fileSeek(from.get(), 0, SeekOrigin::Begin);
    os.fileUnlock(from.get(), length + 1);
    return true;
}

}  // namespace qx
