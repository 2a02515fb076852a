#include "platform/win32/Win32Platform.h"

#include <windows.h>

#include <commdlg.h>
#include <errno.h>
#include <fcntl.h>
#include <io.h>
#include <msi.h>
#include <msiquery.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/locking.h>
#include <sys/stat.h>
#include <winver.h>

#include <string>
#include <string_view>

namespace qx {
namespace {

static_assert(sizeof(MSIHANDLE) == sizeof(MsiHandle));
static_assert(sizeof(HKEY) == sizeof(OsHandle));
static_assert(sizeof(PVOID) == sizeof(OsHandle));
static_assert(sizeof(DWORD) == sizeof(uint32_t));
static_assert(sizeof(SC_HANDLE) == sizeof(OsHandle));
static_assert(sizeof(HWND) == sizeof(OsHandle));
static_assert(sizeof(LPARAM) == sizeof(void*));
static_assert(sizeof(OSVERSIONINFOA) == 148);
static_assert(sizeof(STARTUPINFOA) == 68);
static_assert(sizeof(OPENFILENAMEA) == 88);

// The numbers of Win32Types.h against the real headers.
static_assert(kErrorSuccess == ERROR_SUCCESS);
static_assert(kErrorFileNotFound == ERROR_FILE_NOT_FOUND);
static_assert(kErrorPathNotFound == ERROR_PATH_NOT_FOUND);
static_assert(kErrorAccessDenied == ERROR_ACCESS_DENIED);
static_assert(kErrorInvalidHandle == ERROR_INVALID_HANDLE);
static_assert(kErrorNotEnoughMemory == ERROR_NOT_ENOUGH_MEMORY);
static_assert(kErrorSharingViolation == ERROR_SHARING_VIOLATION);
static_assert(kErrorInvalidParameter == ERROR_INVALID_PARAMETER);
static_assert(kErrorInsufficientBuffer == ERROR_INSUFFICIENT_BUFFER);
static_assert(kErrorAlreadyExists == ERROR_ALREADY_EXISTS);
static_assert(kErrorInvalidName == ERROR_INVALID_NAME);
static_assert(kErrorMoreData == ERROR_MORE_DATA);
static_assert(kErrorNoMoreItems == ERROR_NO_MORE_ITEMS);
static_assert(kErrorInvalidServiceControl == ERROR_INVALID_SERVICE_CONTROL);
static_assert(kErrorServiceAlreadyRunning == ERROR_SERVICE_ALREADY_RUNNING);
static_assert(kErrorServiceDisabled == ERROR_SERVICE_DISABLED);
static_assert(kErrorServiceDoesNotExist == ERROR_SERVICE_DOES_NOT_EXIST);
static_assert(kErrorServiceNotActive == ERROR_SERVICE_NOT_ACTIVE);
static_assert(kErrorInstallUserExit == ERROR_INSTALL_USEREXIT);
static_assert(kErrorInstallFailure == ERROR_INSTALL_FAILURE);
static_assert(kErrorFunctionFailed == ERROR_FUNCTION_FAILED);
static_assert(kErrorResourceDataNotFound == ERROR_RESOURCE_DATA_NOT_FOUND);
static_assert(kErrorResourceTypeNotFound == ERROR_RESOURCE_TYPE_NOT_FOUND);

static_assert(kKeyQueryValue == KEY_QUERY_VALUE);
static_assert(kKeySetValue == KEY_SET_VALUE);
static_assert(kKeyCreateSubKey == KEY_CREATE_SUB_KEY);
static_assert(kKeyEnumerateSubKeys == KEY_ENUMERATE_SUB_KEYS);
static_assert(kKeyWow64_64Key == KEY_WOW64_64KEY);
static_assert(kKeyWow64_32Key == KEY_WOW64_32KEY);
static_assert(kKeyRead == KEY_READ);
static_assert(kKeyWrite == KEY_WRITE);
static_assert(kKeyAllAccess == KEY_ALL_ACCESS);
static_assert(kMaximumAllowed == MAXIMUM_ALLOWED);

static_assert(kRegNone == REG_NONE);
static_assert(kRegSz == REG_SZ);
static_assert(kRegExpandSz == REG_EXPAND_SZ);
static_assert(kRegBinary == REG_BINARY);
static_assert(kRegDword == REG_DWORD);
static_assert(kRegMultiSz == REG_MULTI_SZ);
static_assert(kRegQword == REG_QWORD);

static_assert(kRunModeAdmin == MSIRUNMODE_ADMIN);
static_assert(kRunModeAdvertise == MSIRUNMODE_ADVERTISE);
static_assert(kRunModeMaintenance == MSIRUNMODE_MAINTENANCE);
static_assert(kRunModeRollbackEnabled == MSIRUNMODE_ROLLBACKENABLED);
static_assert(kRunModeLogEnabled == MSIRUNMODE_LOGENABLED);
static_assert(kRunModeOperations == MSIRUNMODE_OPERATIONS);
static_assert(kRunModeRebootAtEnd == MSIRUNMODE_REBOOTATEND);
static_assert(kRunModeRebootNow == MSIRUNMODE_REBOOTNOW);
static_assert(kRunModeCabinet == MSIRUNMODE_CABINET);
static_assert(kRunModeSourceShortNames == MSIRUNMODE_SOURCESHORTNAMES);
static_assert(kRunModeTargetShortNames == MSIRUNMODE_TARGETSHORTNAMES);
static_assert(kRunModeWindows9x == MSIRUNMODE_WINDOWS9X);
static_assert(kRunModeZawEnabled == MSIRUNMODE_ZAWENABLED);
static_assert(kRunModeScheduled == MSIRUNMODE_SCHEDULED);
static_assert(kRunModeRollback == MSIRUNMODE_ROLLBACK);
static_assert(kRunModeCommit == MSIRUNMODE_COMMIT);

static_assert(kInstallMessageFatalExit == INSTALLMESSAGE_FATALEXIT);
static_assert(kInstallMessageError == INSTALLMESSAGE_ERROR);
static_assert(kInstallMessageWarning == INSTALLMESSAGE_WARNING);
static_assert(kInstallMessageUser == INSTALLMESSAGE_USER);
static_assert(kInstallMessageInfo == INSTALLMESSAGE_INFO);
static_assert(kInstallMessageActionStart == INSTALLMESSAGE_ACTIONSTART);
static_assert(kInstallMessageActionData == INSTALLMESSAGE_ACTIONDATA);
static_assert(kInstallMessageProgress == INSTALLMESSAGE_PROGRESS);

static_assert(kMbOk == MB_OK);
static_assert(kMbYesNo == MB_YESNO);
static_assert(kMbIconError == MB_ICONERROR);
static_assert(kMbIconWarning == MB_ICONWARNING);
static_assert(kMbSetForeground == MB_SETFOREGROUND);
static_assert(kIdOk == IDOK);
static_assert(kIdCancel == IDCANCEL);
static_assert(kIdYes == IDYES);
static_assert(kIdNo == IDNO);

static_assert(kProcessorArchitectureIntel == PROCESSOR_ARCHITECTURE_INTEL);
static_assert(kProcessorArchitectureIa64 == PROCESSOR_ARCHITECTURE_IA64);
static_assert(kProcessorArchitectureAmd64 == PROCESSOR_ARCHITECTURE_AMD64);

static_assert(kVerPlatformWin32s == VER_PLATFORM_WIN32s);
static_assert(kVerPlatformWin32Windows == VER_PLATFORM_WIN32_WINDOWS);
static_assert(kVerPlatformWin32Nt == VER_PLATFORM_WIN32_NT);

static_assert(kScManagerAllAccess == SC_MANAGER_ALL_ACCESS);
static_assert(kServiceStart == SERVICE_START);
static_assert(kServiceStop == SERVICE_STOP);
static_assert(kServiceControlStop == SERVICE_CONTROL_STOP);
static_assert(std::string_view(kServicesActiveDatabase) == SERVICES_ACTIVE_DATABASEA);

static_assert(kCreateNewConsole == CREATE_NEW_CONSOLE);

static_assert(kFileAttributeReadOnly == FILE_ATTRIBUTE_READONLY);
static_assert(kFileAttributeDirectory == FILE_ATTRIBUTE_DIRECTORY);
static_assert(kFileAttributeNormal == FILE_ATTRIBUTE_NORMAL);
static_assert(kInvalidFileAttributes == INVALID_FILE_ATTRIBUTES);

static_assert(kErrnoNoEnt == ENOENT);
static_assert(kErrnoBadF == EBADF);
static_assert(kErrnoAcces == EACCES);
static_assert(kErrnoExist == EEXIST);
static_assert(kErrnoInval == EINVAL);
static_assert(kErrnoDeadlock == EDEADLOCK);

static_assert(static_cast<int>(SeekOrigin::Begin) == SEEK_SET);
static_assert(static_cast<int>(SeekOrigin::Current) == SEEK_CUR);
static_assert(static_cast<int>(SeekOrigin::End) == SEEK_END);

// DWORD is unsigned long and uint32_t unsigned int, so a count goes to the call through a DWORD
// copy that is written back when the call returns. A null pointer is passed on as null.
class DwordArg {
  public:
    enum Use { Out, InOut };

    DwordArg(uint32_t* value, Use use)
        : value_(value), dword_(value != nullptr && use == InOut ? *value : 0) {}
    DwordArg(const DwordArg&) = delete;
    DwordArg& operator=(const DwordArg&) = delete;
    ~DwordArg() {
        if (value_ != nullptr) {
            *value_ = dword_;
        }
    }

    DWORD* get() { return value_ != nullptr ? &dword_ : nullptr; }

  private:
    uint32_t* value_;
    DWORD dword_;
};

HKEY toHkey(OsHandle key) {
    return reinterpret_cast<HKEY>(key);
}

SC_HANDLE toScHandle(OsHandle handle) {
    return reinterpret_cast<SC_HANDLE>(handle);
}

HANDLE toHandle(OsHandle handle) {
    return reinterpret_cast<HANDLE>(handle);
}

HWND toHwnd(OsHandle window) {
    return reinterpret_cast<HWND>(window);
}

// A FILETIME crosses the seam as one 64-bit count of 100-nanosecond intervals.
FILETIME toFiletime(uint64_t time) {
    FILETIME converted;
    converted.dwLowDateTime = static_cast<DWORD>(time & 0xFFFFFFFFu);
    converted.dwHighDateTime = static_cast<DWORD>(time >> 32);
    return converted;
}

uint64_t fromFiletime(const FILETIME& time) {
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

CalendarTime toCalendarTime(const SYSTEMTIME& time) {
    return CalendarTime{.year = time.wYear,
                        .month = time.wMonth,
                        .day = time.wDay,
                        .hour = time.wHour,
                        .minute = time.wMinute,
                        .second = time.wSecond,
                        .milliseconds = time.wMilliseconds};
}

// EnumChildWindows hands every window to this, with the caller's visitor in the LPARAM.
BOOL CALLBACK visitChildWindow(HWND window, LPARAM visitor) {
    const auto& visit = *reinterpret_cast<const std::function<bool(OsHandle)>*>(visitor);
    return visit(reinterpret_cast<OsHandle>(window)) ? TRUE : FALSE;
}

// Looks the export up at run time so that the DLL still loads on Windows versions without it.
// Returns whether kernel32.dll has it.
template <typename Function, typename Call>
bool callKernel32Export(const char* name, Call call) {
    HMODULE kernel32 = LoadLibraryA("kernel32.dll");
    if (kernel32 == nullptr) {
        return false;
    }
    FARPROC address = GetProcAddress(kernel32, name);
    if (address != nullptr) {
        // Through void (*)(), the one function pointer type a cast to another does not warn about.
        call(reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address)));
    }
    FreeLibrary(kernel32);
    return address != nullptr;
}

}  // namespace

// --- Installer session ---

Status Win32Platform::msiGetProperty(MsiHandle session, const char* name, char* buffer,
                                     uint32_t* chars) {
    DwordArg count(chars, DwordArg::InOut);
    return MsiGetPropertyA(session, name, buffer, count.get());
}

Status Win32Platform::msiSetProperty(MsiHandle session, const char* name, const char* value) {
    return MsiSetPropertyA(session, name, value);
}

bool Win32Platform::msiGetMode(MsiHandle session, int runMode) {
    return MsiGetMode(session, static_cast<MSIRUNMODE>(runMode)) != FALSE;
}

Status Win32Platform::msiSetMode(MsiHandle session, int runMode, bool state) {
    return MsiSetMode(session, static_cast<MSIRUNMODE>(runMode), state ? TRUE : FALSE);
}

MsiHandle Win32Platform::msiCreateRecord(uint32_t fields) {
    return MsiCreateRecord(fields);
}

Status Win32Platform::msiRecordSetString(MsiHandle record, uint32_t field, const char* value) {
    return MsiRecordSetStringA(record, field, value);
}

Status Win32Platform::msiRecordSetInteger(MsiHandle record, uint32_t field, int value) {
    return MsiRecordSetInteger(record, field, value);
}

Status Win32Platform::msiRecordGetString(MsiHandle record, uint32_t field, char* buffer,
                                         uint32_t* chars) {
    DwordArg count(chars, DwordArg::InOut);
    return MsiRecordGetStringA(record, field, buffer, count.get());
}

int Win32Platform::msiProcessMessage(MsiHandle session, uint32_t messageType, MsiHandle record) {
    return MsiProcessMessage(session, static_cast<INSTALLMESSAGE>(messageType), record);
}

MsiHandle Win32Platform::msiGetLastErrorRecord() {
    return MsiGetLastErrorRecord();
}

Status Win32Platform::msiCloseHandle(MsiHandle handle) {
    return MsiCloseHandle(handle);
}

Status Win32Platform::msiCloseAllHandles() {
    return MsiCloseAllHandles();
}

// --- Registry ---

Status Win32Platform::regOpenKey(OsHandle root, const char* subKey, uint32_t access,
                                 OsHandle* key) {
    HKEY opened = nullptr;
    LONG status =
        RegOpenKeyExA(toHkey(root), subKey, 0, access, key != nullptr ? &opened : nullptr);
    if (key != nullptr) {
        *key = reinterpret_cast<OsHandle>(opened);
    }
    return status;
}

Status Win32Platform::regCreateKey(OsHandle root, const char* subKey, uint32_t access,
                                   OsHandle* key) {
    HKEY created = nullptr;
    LONG status = RegCreateKeyExA(toHkey(root), subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                  nullptr, key != nullptr ? &created : nullptr, nullptr);
    if (key != nullptr) {
        *key = reinterpret_cast<OsHandle>(created);
    }
    return status;
}

Status Win32Platform::regQueryValue(OsHandle key, const char* name, uint32_t* type, uint8_t* data,
                                    uint32_t* size) {
    DwordArg valueType(type, DwordArg::Out);
    DwordArg valueSize(size, DwordArg::InOut);
    return RegQueryValueExA(toHkey(key), name, nullptr, valueType.get(), data, valueSize.get());
}

Status Win32Platform::regSetValue(OsHandle key, const char* name, uint32_t type,
                                  const uint8_t* data, uint32_t size) {
    return RegSetValueExA(toHkey(key), name, 0, type, data, size);
}

Status Win32Platform::regDeleteValue(OsHandle key, const char* name) {
    return RegDeleteValueA(toHkey(key), name);
}

Status Win32Platform::regQueryInfoKey(OsHandle key, uint32_t* maxValueNameChars,
                                      uint32_t* maxValueBytes) {
    DwordArg nameChars(maxValueNameChars, DwordArg::Out);
    DwordArg valueBytes(maxValueBytes, DwordArg::Out);
    return RegQueryInfoKeyA(toHkey(key), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nameChars.get(), valueBytes.get(), nullptr, nullptr);
}

Status Win32Platform::regEnumValue(OsHandle key, uint32_t index, char* name, uint32_t* nameChars,
                                   uint32_t* type, uint8_t* data, uint32_t* dataSize) {
    DwordArg nameCount(nameChars, DwordArg::InOut);
    DwordArg valueType(type, DwordArg::Out);
    DwordArg valueSize(dataSize, DwordArg::InOut);
    return RegEnumValueA(toHkey(key), index, name, nameCount.get(), nullptr, valueType.get(), data,
                         valueSize.get());
}

Status Win32Platform::regCloseKey(OsHandle key) {
    return RegCloseKey(toHkey(key));
}

Status Win32Platform::regEnumKey(OsHandle key, uint32_t index, char* name, uint32_t* nameChars) {
    DwordArg nameCount(nameChars, DwordArg::InOut);
    return RegEnumKeyExA(toHkey(key), index, name, nameCount.get(), nullptr, nullptr, nullptr,
                         nullptr);
}

Status Win32Platform::regDeleteKey(OsHandle key, const char* subKey) {
    return RegDeleteKeyA(toHkey(key), subKey);
}

// --- Service control manager ---

OsHandle Win32Platform::openSCManager(const char* database, uint32_t access) {
    return reinterpret_cast<OsHandle>(OpenSCManagerA(nullptr, database, access));
}

OsHandle Win32Platform::openService(OsHandle manager, const char* name, uint32_t access) {
    return reinterpret_cast<OsHandle>(OpenServiceA(toScHandle(manager), name, access));
}

bool Win32Platform::startService(OsHandle service) {
    return StartServiceA(toScHandle(service), 0, nullptr) != FALSE;
}

bool Win32Platform::controlService(OsHandle service, uint32_t control) {
    SERVICE_STATUS status;
    return ControlService(toScHandle(service), control, &status) != FALSE;
}

bool Win32Platform::closeServiceHandle(OsHandle handle) {
    return CloseServiceHandle(toScHandle(handle)) != FALSE;
}

// --- Files and processes ---

uint32_t Win32Platform::getFileVersionInfoSize(const char* path) {
    DWORD handle = 0;
    return GetFileVersionInfoSizeA(path, &handle);
}

bool Win32Platform::getFileVersionInfo(const char* path, uint32_t size, uint8_t* data) {
    return GetFileVersionInfoA(path, 0, size, data) != FALSE;
}

bool Win32Platform::queryFixedFileVersion(const uint8_t* data, FixedFileVersion* version) {
    LPVOID block = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(data, "\\", &block, &length) || length < sizeof(VS_FIXEDFILEINFO) ||
        block == nullptr) {
        return false;
    }
    if (version != nullptr) {
        const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(block);
        version->fileVersionMS = fixed->dwFileVersionMS;
        version->fileVersionLS = fixed->dwFileVersionLS;
    }
    return true;
}

OsHandle Win32Platform::openFileForRead(const char* path) {
    HANDLE file =
        CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return 0;
    }
    return reinterpret_cast<OsHandle>(file);
}

bool Win32Platform::getFileLastWriteTime(OsHandle file, uint64_t* fileTime) {
    FILETIME written{};
    BOOL ok =
        GetFileTime(toHandle(file), nullptr, nullptr, fileTime != nullptr ? &written : nullptr);
    if (ok && fileTime != nullptr) {
        *fileTime = fromFiletime(written);
    }
    return ok != FALSE;
}

bool Win32Platform::fileTimeToLocalFileTime(uint64_t fileTime, uint64_t* localFileTime) {
    FILETIME utc = toFiletime(fileTime);
    FILETIME local{};
    BOOL ok = FileTimeToLocalFileTime(&utc, localFileTime != nullptr ? &local : nullptr);
    if (ok && localFileTime != nullptr) {
        *localFileTime = fromFiletime(local);
    }
    return ok != FALSE;
}

bool Win32Platform::fileTimeToSystemTime(uint64_t fileTime, CalendarTime* time) {
    FILETIME converted = toFiletime(fileTime);
    SYSTEMTIME calendar{};
    BOOL ok = FileTimeToSystemTime(&converted, time != nullptr ? &calendar : nullptr);
    if (ok && time != nullptr) {
        *time = toCalendarTime(calendar);
    }
    return ok != FALSE;
}

bool Win32Platform::moveFile(const char* from, const char* to) {
    return MoveFileA(from, to) != FALSE;
}

bool Win32Platform::createProcess(const char* commandLine, uint32_t creationFlags,
                                  ProcessInfo* info) {
    // CreateProcessA may write into its command line, so it gets a copy of its own.
    std::string writable = commandLine != nullptr ? commandLine : "";
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION created{};
    BOOL ok = CreateProcessA(nullptr, commandLine != nullptr ? writable.data() : nullptr, nullptr,
                             nullptr, FALSE, creationFlags, nullptr, nullptr, &startup,
                             info != nullptr ? &created : nullptr);
    if (ok && info != nullptr) {
        info->process = reinterpret_cast<OsHandle>(created.hProcess);
        info->thread = reinterpret_cast<OsHandle>(created.hThread);
        info->processId = created.dwProcessId;
    }
    return ok != FALSE;
}

bool Win32Platform::closeHandle(OsHandle handle) {
    return CloseHandle(toHandle(handle)) != FALSE;
}

// --- System information ---

uint16_t Win32Platform::systemInfoArchitecture() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.wProcessorArchitecture;
}

bool Win32Platform::kernel32HasFunction(const char* name) {
    return callKernel32Export<FARPROC>(name, [](FARPROC) {});
}

uint16_t Win32Platform::nativeSystemInfoArchitecture() {
    using GetNativeSystemInfoFn = void(WINAPI*)(LPSYSTEM_INFO);
    uint16_t architecture = 0;
    callKernel32Export<GetNativeSystemInfoFn>(
        "GetNativeSystemInfo", [&architecture](GetNativeSystemInfoFn getNativeSystemInfo) {
            SYSTEM_INFO info;
            getNativeSystemInfo(&info);
            architecture = info.wProcessorArchitecture;
        });
    return architecture;
}

void Win32Platform::wow64DisableFsRedirection(OsHandle* token) {
    using DisableFn = BOOL(WINAPI*)(PVOID*);
    callKernel32Export<DisableFn>("Wow64DisableWow64FsRedirection", [token](DisableFn disable) {
        PVOID oldValue = nullptr;
        disable(&oldValue);
        *token = reinterpret_cast<OsHandle>(oldValue);
    });
}

void Win32Platform::wow64RevertFsRedirection(OsHandle token) {
    using RevertFn = BOOL(WINAPI*)(PVOID);
    callKernel32Export<RevertFn>("Wow64RevertWow64FsRedirection", [token](RevertFn revert) {
        revert(reinterpret_cast<PVOID>(token));
    });
}

bool Win32Platform::getVersion(OsVersion* version) {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!GetVersionExA(&info)) {
        return false;
    }
    version->major = info.dwMajorVersion;
    version->minor = info.dwMinorVersion;
    version->build = info.dwBuildNumber;
    version->platformId = info.dwPlatformId;
    return true;
}

uint32_t Win32Platform::getWindowsDirectory(char* buffer, uint32_t size) {
    return GetWindowsDirectoryA(buffer, size);
}

uint32_t Win32Platform::expandEnvironmentStrings(const char* source, char* buffer, uint32_t size) {
    return ExpandEnvironmentStringsA(source, buffer, size);
}

uint32_t Win32Platform::getShortPathName(const char* longPath, char* buffer, uint32_t size) {
    return GetShortPathNameA(longPath, buffer, size);
}

uint32_t Win32Platform::formatSystemMessage(Status code, char* buffer, uint32_t size) {
    return FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                          MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buffer, size, nullptr);
}

Status Win32Platform::getLastError() {
    return GetLastError();
}

CalendarTime Win32Platform::localTime() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return toCalendarTime(now);
}

CalendarTime Win32Platform::systemTime() {
    SYSTEMTIME now;
    GetSystemTime(&now);
    return toCalendarTime(now);
}

int Win32Platform::crtRand() {
    return rand();
}

void Win32Platform::sleep(uint32_t milliseconds) {
    Sleep(milliseconds);
}

// --- User interface and diagnostics ---

void Win32Platform::outputDebugString(const char* text) {
    OutputDebugStringA(text);
}

int Win32Platform::messageBox(const char* text, const char* caption, uint32_t style) {
    return MessageBoxA(nullptr, text, caption, style);
}

OsHandle Win32Platform::findWindow(const char* title) {
    return reinterpret_cast<OsHandle>(FindWindowA(nullptr, title));
}

void Win32Platform::enumChildWindows(OsHandle parent, const std::function<bool(OsHandle)>& visit) {
    EnumChildWindows(toHwnd(parent), visitChildWindow, reinterpret_cast<LPARAM>(&visit));
}

int Win32Platform::getClassName(OsHandle window, char* buffer, int size) {
    return GetClassNameA(toHwnd(window), buffer, size);
}

void Win32Platform::setWindowText(OsHandle window, const char* text) {
    SendMessageA(toHwnd(window), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

OsHandle Win32Platform::getForegroundWindow() {
    return reinterpret_cast<OsHandle>(GetForegroundWindow());
}

bool Win32Platform::getOpenFileName(OpenFileName* dialog) {
    if (dialog == nullptr) {
        return GetOpenFileNameA(nullptr) != FALSE;
    }
    OPENFILENAMEA request{};
    request.lStructSize = sizeof(request);
    request.hwndOwner = toHwnd(dialog->owner);
    request.lpstrFilter = dialog->filter;
    request.nFilterIndex = dialog->filterIndex;
    request.lpstrFile = dialog->file;
    request.nMaxFile = dialog->maxFile;
    request.lpstrTitle = dialog->title;
    request.lpstrInitialDir = dialog->initialDir;
    request.Flags = dialog->flags;
    return GetOpenFileNameA(&request) != FALSE;
}

// --- C runtime file calls (msvcrt), binary mode throughout: callers write "\r\n" themselves ---

int Win32Platform::fileOpen(const char* path, FileOpenMode mode) {
    if (mode == FileOpenMode::ReadWriteCreate) {
        return _open(path, _O_RDWR | _O_CREAT | _O_BINARY, _S_IREAD | _S_IWRITE);
    }
    if (mode == FileOpenMode::ReadWriteExisting) {
        return _open(path, _O_RDWR | _O_BINARY);
    }
    // _creat takes no mode flags, so the new descriptor is switched to binary afterwards.
    int fd = _creat(path, _S_IREAD | _S_IWRITE);
    if (fd != -1) {
        _setmode(fd, _O_BINARY);
    }
    return fd;
}

long Win32Platform::fileSeek(int fd, long offset, SeekOrigin origin) {
    return _lseek(fd, offset, static_cast<int>(origin));
}

int Win32Platform::fileTryLock(int fd, long length) {
    return _locking(fd, _LK_NBLCK, length);
}

int Win32Platform::fileUnlock(int fd, long length) {
    return _locking(fd, _LK_UNLCK, length);
}

int Win32Platform::fileRead(int fd, void* buffer, unsigned size) {
    return _read(fd, buffer, size);
}

int Win32Platform::fileWrite(int fd, const void* data, unsigned size) {
    return _write(fd, data, size);
}

long Win32Platform::fileLength(int fd) {
    return _filelength(fd);
}

int Win32Platform::fileClose(int fd) {
    return _close(fd);
}

int Win32Platform::crtErrno() {
    return errno;
}

// --- Directories ---

uint32_t Win32Platform::findFileAttributes(const char* path) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE) {
        return INVALID_FILE_ATTRIBUTES;
    }
    FindClose(search);
    return found.dwFileAttributes;
}

bool Win32Platform::createDirectory(const char* path) {
    return CreateDirectoryA(path, nullptr) != 0;
}

bool Win32Platform::setFileAttributes(const char* path, uint32_t attributes) {
    return SetFileAttributesA(path, attributes) != 0;
}

Platform& win32Platform() {
    static Win32Platform platform;
    return platform;
}

}  // namespace qx
