#pragma once
// qxeca's diagnostic log: qxeca.log in the temp folder of the Windows directory, appended to by
// every process that runs an action, one line at a time under a byte-range lock, rotated into a
// backup file at its size limit. Every line also goes to the debug-string output. The facility
// never throws and never reports a failure to its caller; failures are debug-string notes.

#include <cstdint>
#include <string>

#include "platform/Platform.h"
#include "platform/ScopedHandle.h"

namespace qx {

constexpr uint32_t SEV_DEBUG = 1;
constexpr uint32_t SEV_INFO = 2;
constexpr uint32_t SEV_WARNING = 4;
constexpr uint32_t SEV_ERROR = 8;
constexpr uint32_t SEV_CRITICAL = 16;
constexpr uint32_t SEV_POPUP = 32;

constexpr uint8_t LOG_MASTER = 1;  // creates directory and file, enforces the size limit
constexpr uint8_t LOG_SLAVE = 16;  // only opens an existing file

struct CLog {
    explicit CLog(Platform& platform) : os(platform) {}

    Platform& os;
    int open = 0;        // 1 while the facility is usable
    int popupStyle = 0;  // message-box style of SEV_POPUP lines; -1: no message box
    uint32_t sizeLimit = 0;
    std::string filePath;
    std::string component;
    uint8_t mode = 0;
};

void LogMessage(CLog& log, uint32_t severity, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
void QxLogInit(CLog& log, const char* fileName, const char* directory, uint32_t sizeKilobytes,
               uint8_t mode, int popupStyle, const char* component);
// qxeca's set-up, run at the start of every action: qxeca.log, 500 KiB, LOG_MASTER.
void QxecaLogInit(CLog& log, const char* component);
bool OpenLogFile(CLog& log, CrtFile& file);
void EnforceCircular(CLog& log);
bool CopyLogFile(Platform& os, const std::string& destination, const std::string& source);
void CloseLog(CLog& log);

// The version the log's first line of every action reports.
std::string QxecaVersionText();

}  // namespace qx
