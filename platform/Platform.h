#pragma once
// The platform seam: one operation per Windows call the actions make, with that call's observable
// semantics (buffer sizes in and out, ERROR_MORE_DATA, errno of the C runtime file calls).
// platform/win32 implements it with the real API, platform/sim with a simulated machine.

#include <cstdint>
#include <functional>

#include "platform/Win32Types.h"

namespace qx {

// How the C runtime file calls open a file. Always binary: the log writes its own "\r\n".
enum class FileOpenMode {
    ReadWriteCreate,    // _open(_O_RDWR | _O_CREAT | _O_BINARY, _S_IREAD | _S_IWRITE)
    ReadWriteExisting,  // _open(_O_RDWR | _O_BINARY)
    CreateTruncate,     // _creat(_S_IREAD | _S_IWRITE), then binary
};

enum class SeekOrigin { Begin = 0, Current = 1, End = 2 };

// Calendar fields as a SYSTEMTIME holds them (GetLocalTime, GetSystemTime, FileTimeToSystemTime).
struct CalendarTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int milliseconds = 0;
};

// The file version of a VS_FIXEDFILEINFO block.
struct FixedFileVersion {
    uint32_t fileVersionMS = 0;
    uint32_t fileVersionLS = 0;
};

// PROCESS_INFORMATION
struct ProcessInfo {
    OsHandle process = 0;
    OsHandle thread = 0;
    uint32_t processId = 0;
};

// The OPENFILENAMEA fields the actions fill; the rest stay zero.
struct OpenFileName {
    OsHandle owner = 0;
    const char* filter = nullptr;  // description/pattern pairs, each ended by a null, then a null
    uint32_t filterIndex = 0;
    char* file = nullptr;  // in: the initial file name; out: the chosen path
    uint32_t maxFile = 0;
    const char* title = nullptr;
    const char* initialDir = nullptr;
    uint32_t flags = 0;
};

// The parts of OSVERSIONINFOA the actions look at.
struct OsVersion {
    uint32_t major = 0;
    uint32_t minor = 0;
    uint32_t build = 0;
    uint32_t platformId = 0;
};

class Platform {
  public:
    virtual ~Platform() = default;

    // --- Installer session (msi.dll) ---
    // *chars: buffer size in characters on entry, value length on return (MsiGetPropertyA).
    virtual Status msiGetProperty(MsiHandle session, const char* name, char* buffer,
                                  uint32_t* chars) = 0;
    virtual Status msiSetProperty(MsiHandle session, const char* name, const char* value) = 0;
    virtual bool msiGetMode(MsiHandle session, int runMode) = 0;
    virtual Status msiSetMode(MsiHandle session, int runMode, bool state) = 0;
    virtual MsiHandle msiCreateRecord(uint32_t fields) = 0;  // 0 when none could be made
    virtual Status msiRecordSetString(MsiHandle record, uint32_t field, const char* value) = 0;
    virtual Status msiRecordSetInteger(MsiHandle record, uint32_t field, int value) = 0;
    virtual Status msiRecordGetString(MsiHandle record, uint32_t field, char* buffer,
                                      uint32_t* chars) = 0;
    virtual int msiProcessMessage(MsiHandle session, uint32_t messageType, MsiHandle record) = 0;
    virtual MsiHandle msiGetLastErrorRecord() = 0;  // 0 when there is none
    virtual Status msiCloseHandle(MsiHandle handle) = 0;
    virtual Status msiCloseAllHandles() = 0;

    // --- Registry (advapi32) ---
    virtual Status regOpenKey(OsHandle root, const char* subKey, uint32_t access,
                              OsHandle* key) = 0;
    virtual Status regCreateKey(OsHandle root, const char* subKey, uint32_t access,
                                OsHandle* key) = 0;
    // *size: data buffer size in bytes on entry, value size on return; data may be null.
    virtual Status regQueryValue(OsHandle key, const char* name, uint32_t* type, uint8_t* data,
                                 uint32_t* size) = 0;
    virtual Status regSetValue(OsHandle key, const char* name, uint32_t type, const uint8_t* data,
                               uint32_t size) = 0;
    virtual Status regDeleteValue(OsHandle key, const char* name) = 0;
    // Longest value name in characters (without the null) and largest value data in bytes.
    virtual Status regQueryInfoKey(OsHandle key, uint32_t* maxValueNameChars,
                                   uint32_t* maxValueBytes) = 0;
    virtual Status regEnumValue(OsHandle key, uint32_t index, char* name, uint32_t* nameChars,
                                uint32_t* type, uint8_t* data, uint32_t* dataSize) = 0;
    virtual Status regCloseKey(OsHandle key) = 0;
    // RegEnumKeyExA: *nameChars is the buffer size on entry, the name length on return.
    virtual Status regEnumKey(OsHandle key, uint32_t index, char* name, uint32_t* nameChars) = 0;
    virtual Status regDeleteKey(OsHandle key, const char* subKey) = 0;

    // --- Service control manager (advapi32): 0 / false on failure, the reason in GetLastError.
    virtual OsHandle openSCManager(const char* database, uint32_t access) = 0;  // local machine
    virtual OsHandle openService(OsHandle manager, const char* name, uint32_t access) = 0;
    virtual bool startService(OsHandle service) = 0;  // StartServiceA with no arguments
    virtual bool controlService(OsHandle service, uint32_t control) = 0;
    virtual bool closeServiceHandle(OsHandle handle) = 0;

    // --- Files and processes (kernel32, version.dll): failures as GetLastError tells them.
    virtual uint32_t getFileVersionInfoSize(const char* path) = 0;  // 0 on failure
    virtual bool getFileVersionInfo(const char* path, uint32_t size, uint8_t* data) = 0;
    // VerQueryValueA(data, "\\"): false when the block has no fixed version information.
    virtual bool queryFixedFileVersion(const uint8_t* data, FixedFileVersion* version) = 0;
    // CreateFileA(GENERIC_READ, no sharing, OPEN_EXISTING); 0 on failure.
    virtual OsHandle openFileForRead(const char* path) = 0;
    virtual bool getFileLastWriteTime(OsHandle file, uint64_t* fileTime) = 0;  // GetFileTime
    virtual bool fileTimeToLocalFileTime(uint64_t fileTime, uint64_t* localFileTime) = 0;
    virtual bool fileTimeToSystemTime(uint64_t fileTime, CalendarTime* time) = 0;
    virtual bool moveFile(const char* from, const char* to) = 0;  // MoveFileA: never overwrites
    // CreateProcessA(NULL, commandLine, NULL, NULL, FALSE, flags, NULL, NULL, zeroed STARTUPINFOA).
    virtual bool createProcess(const char* commandLine, uint32_t creationFlags,
                               ProcessInfo* info) = 0;
    virtual bool closeHandle(OsHandle handle) = 0;

    // --- System information (kernel32) ---
    virtual uint16_t systemInfoArchitecture() = 0;  // GetSystemInfo
    // Whether kernel32.dll loads and exports the named function (LoadLibrary + GetProcAddress).
    virtual bool kernel32HasFunction(const char* name) = 0;
    virtual uint16_t nativeSystemInfoArchitecture() = 0;  // GetNativeSystemInfo
    virtual void wow64DisableFsRedirection(OsHandle* token) = 0;
    virtual void wow64RevertFsRedirection(OsHandle token) = 0;
    virtual bool getVersion(OsVersion* version) = 0;  // GetVersionExA
    // GetWindowsDirectoryA, ExpandEnvironmentStringsA, GetShortPathNameA: the counts they return.
    virtual uint32_t getWindowsDirectory(char* buffer, uint32_t size) = 0;
    virtual uint32_t expandEnvironmentStrings(const char* source, char* buffer, uint32_t size) = 0;
    virtual uint32_t getShortPathName(const char* longPath, char* buffer, uint32_t size) = 0;
    // FormatMessageA from the system table: characters written, 0 when the system has no text.
    virtual uint32_t formatSystemMessage(Status code, char* buffer, uint32_t size) = 0;
    virtual Status getLastError() = 0;
    virtual CalendarTime localTime() = 0;   // GetLocalTime
    virtual CalendarTime systemTime() = 0;  // GetSystemTime: UTC
    virtual int crtRand() = 0;              // rand() of the C runtime, never seeded
    virtual void sleep(uint32_t milliseconds) = 0;

    // --- User interface and diagnostics (user32, kernel32) ---
    virtual void outputDebugString(const char* text) = 0;
    virtual int messageBox(const char* text, const char* caption, uint32_t style) = 0;
    virtual OsHandle findWindow(const char* title) = 0;  // FindWindowA(NULL, title); 0: none
    // EnumChildWindows: every descendant in the system's order until `visit` returns false.
    virtual void enumChildWindows(OsHandle parent, const std::function<bool(OsHandle)>& visit) = 0;
    virtual int getClassName(OsHandle window, char* buffer, int size) = 0;
    virtual void setWindowText(OsHandle window, const char* text) = 0;  // SendMessageA WM_SETTEXT
    virtual OsHandle getForegroundWindow() = 0;
    virtual bool getOpenFileName(OpenFileName* dialog) = 0;  // false: cancelled or failed

    // --- C runtime file calls, with their errno ---
    virtual int fileOpen(const char* path, FileOpenMode mode) = 0;  // descriptor or -1
    virtual long fileSeek(int fd, long offset, SeekOrigin origin) = 0;
    // _locking(_LK_NBLCK / _LK_UNLCK): one attempt on `length` bytes from the current position.
    virtual int fileTryLock(int fd, long length) = 0;
    virtual int fileUnlock(int fd, long length) = 0;
    virtual int fileRead(int fd, void* buffer, unsigned size) = 0;
    virtual int fileWrite(int fd, const void* data, unsigned size) = 0;
    virtual long fileLength(int fd) = 0;
    virtual int fileClose(int fd) = 0;
    virtual int crtErrno() = 0;  // errno after the last failed file call

    // --- Directories (kernel32) ---
    // Attributes as FindFirstFileA reports them; kInvalidFileAttributes when the path is missing.
    virtual uint32_t findFileAttributes(const char* path) = 0;
    virtual bool createDirectory(const char* path) = 0;
    virtual bool setFileAttributes(const char* path, uint32_t attributes) = 0;
};

}  // namespace qx
