#include "platform/sim/SimPlatform.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/sim/SimMachine.h"

namespace qx::sim {
namespace {

std::string hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", value);
    return text;
}

std::string text(const char* value) {
    return value ? value : "(null)";
}

// Copies a result string the way the counted Win32 text calls do: the count written without
// the null, or the size needed with it when the buffer is too small.
uint32_t countedCopy(const std::string& value, char* buffer, uint32_t size) {
    if (value.size() + 1 > size) {
        return static_cast<uint32_t>(value.size() + 1);
    }
    std::memcpy(buffer, value.c_str(), value.size() + 1);
    return static_cast<uint32_t>(value.size());
}

class SimPlatform final : public Platform {
  public:
    explicit SimPlatform(SimMachine& machine) : m_(machine) {}

    // --- Installer session
    Status msiGetProperty(MsiHandle session, const char* name, char* buffer,
                          uint32_t* chars) override {
        return call("MsiGetProperty", text(name),
                    [&] { return m_.installer.getProperty(session, name, buffer, chars); });
    }
    Status msiSetProperty(MsiHandle session, const char* name, const char* value) override {
        return call("MsiSetProperty", text(name) + "=" + text(value),
                    [&] { return m_.installer.setProperty(session, name, value ? value : ""); });
    }
    bool msiGetMode(MsiHandle session, int runMode) override {
        bool answer = false;
        call("MsiGetMode", std::to_string(runMode), [&] {
            answer = m_.installer.getMode(session, runMode);
            return kErrorSuccess;
        });
        return answer;
    }
    Status msiSetMode(MsiHandle session, int runMode, bool state) override {
        return call("MsiSetMode", std::to_string(runMode) + (state ? " on" : " off"),
                    [&] { return m_.installer.setMode(session, runMode, state); });
    }
    MsiHandle msiCreateRecord(uint32_t fields) override {
        MsiHandle record = 0;
        call("MsiCreateRecord", std::to_string(fields), [&] {
            record = m_.installer.createRecord(fields);
            return kErrorSuccess;
        });
        return record;
    }
    Status msiRecordSetString(MsiHandle record, uint32_t field, const char* value) override {
        return call("MsiRecordSetString", std::to_string(field) + "=" + text(value), [&] {
            return m_.installer.recordSetString(record, field, value ? value : "");
        });
    }
    Status msiRecordSetInteger(MsiHandle record, uint32_t field, int value) override {
        return call("MsiRecordSetInteger", std::to_string(field) + "=" + std::to_string(value),
                    [&] { return m_.installer.recordSetInteger(record, field, value); });
    }
    Status msiRecordGetString(MsiHandle record, uint32_t field, char* buffer,
                              uint32_t* chars) override {
        return call("MsiRecordGetString", std::to_string(field),
                    [&] { return m_.installer.recordGetString(record, field, buffer, chars); });
    }
    int msiProcessMessage(MsiHandle session, uint32_t messageType, MsiHandle record) override {
        int answer = -1;
        call("MsiProcessMessage", hex(messageType), [&] {
            answer = m_.installer.processMessage(session, messageType, record);
            return answer < 0 ? kErrorInvalidHandle : kErrorSuccess;
        });
        return answer;
    }
    MsiHandle msiGetLastErrorRecord() override {
        MsiHandle record = 0;
        call("MsiGetLastErrorRecord", "", [&] {
            record = m_.installer.lastErrorRecord();
            return kErrorSuccess;
        });
        return record;
    }
    Status msiCloseHandle(MsiHandle handle) override {
        return call("MsiCloseHandle", std::to_string(handle),
                    [&] { return m_.installer.closeHandle(handle); });
    }
    Status msiCloseAllHandles() override {
        Status wereOpen = 0;
        call("MsiCloseAllHandles", "", [&] {
            wereOpen = m_.installer.closeAllHandles();
            return kErrorSuccess;
        });
        return wereOpen;
    }

    // --- Registry
    Status regOpenKey(OsHandle root, const char* subKey, uint32_t access, OsHandle* key) override {
        return call("RegOpenKeyEx", describeKey(root, subKey, access), [&] {
            return m_.registry.open(root, subKey, access, false, m_.system.is64Bit(), key);
        });
    }
    Status regCreateKey(OsHandle root, const char* subKey, uint32_t access,
                        OsHandle* key) override {
        return call("RegCreateKeyEx", describeKey(root, subKey, access), [&] {
            return m_.registry.open(root, subKey, access, true, m_.system.is64Bit(), key);
        });
    }
    Status regQueryValue(OsHandle key, const char* name, uint32_t* type, uint8_t* data,
                         uint32_t* size) override {
        return call("RegQueryValueEx", m_.registry.pathOf(key) + " " + text(name),
                    [&] { return m_.registry.query(key, name ? name : "", type, data, size); });
    }
    Status regSetValue(OsHandle key, const char* name, uint32_t type, const uint8_t* data,
                       uint32_t size) override {
        return call("RegSetValueEx", m_.registry.pathOf(key) + " " + text(name),
                    [&] { return m_.registry.set(key, name ? name : "", type, data, size); });
    }
    Status regDeleteValue(OsHandle key, const char* name) override {
        return call("RegDeleteValue", m_.registry.pathOf(key) + " " + text(name),
                    [&] { return m_.registry.deleteValue(key, name ? name : ""); });
    }
    Status regQueryInfoKey(OsHandle key, uint32_t* maxValueNameChars,
                           uint32_t* maxValueBytes) override {
        return call("RegQueryInfoKey", m_.registry.pathOf(key),
                    [&] { return m_.registry.queryInfo(key, maxValueNameChars, maxValueBytes); });
    }
    Status regEnumValue(OsHandle key, uint32_t index, char* name, uint32_t* nameChars,
                        uint32_t* type, uint8_t* data, uint32_t* dataSize) override {
        return call("RegEnumValue", m_.registry.pathOf(key) + " #" + std::to_string(index), [&] {
            return m_.registry.enumValue(key, index, name, nameChars, type, data, dataSize);
        });
    }
    Status regCloseKey(OsHandle key) override {
        return call("RegCloseKey", m_.registry.pathOf(key), [&] { return m_.registry.close(key); });
    }
    Status regEnumKey(OsHandle key, uint32_t index, char* name, uint32_t* nameChars) override {
        return call("RegEnumKeyEx", m_.registry.pathOf(key) + " #" + std::to_string(index),
                    [&] { return m_.registry.enumKey(key, index, name, nameChars); });
    }
    Status regDeleteKey(OsHandle key, const char* subKey) override {
        return call("RegDeleteKey", m_.registry.pathOf(key) + "\\" + text(subKey),
                    [&] { return m_.registry.deleteSubKey(key, text(subKey)); });
    }

    // --- Service control manager
    OsHandle openSCManager(const char* database, uint32_t access) override {
        return handleCall(
            "OpenSCManager", text(database) + " access=" + hex(access),
            [&](Status* error) { return m_.services.openManager(text(database), error); });
    }
    OsHandle openService(OsHandle manager, const char* name, uint32_t access) override {
        return handleCall("OpenService", text(name) + " access=" + hex(access), [&](Status* error) {
            return m_.services.openService(manager, text(name), access, error);
        });
    }
    bool startService(OsHandle service) override {
        return boolCall("StartService", "",
                        [&](Status* error) { return m_.services.start(service, error); });
    }
    bool controlService(OsHandle service, uint32_t control) override {
        return boolCall("ControlService", std::to_string(control), [&](Status* error) {
            return m_.services.control(service, control, error);
        });
    }
    bool closeServiceHandle(OsHandle handle) override {
        return boolCall("CloseServiceHandle", "",
                        [&](Status* error) { return m_.services.close(handle, error); });
    }

    // --- Files and processes
    uint32_t getFileVersionInfoSize(const char* path) override {
        return counted("GetFileVersionInfoSize", text(path), [&]() -> uint32_t {
            Status error = kErrorSuccess;
            uint32_t size = m_.files.versionInfoSize(text(path), &error);
            m_.system.lastError = error;
            return size;
        });
    }
    bool getFileVersionInfo(const char* path, uint32_t size, uint8_t* data) override {
        return boolCall("GetFileVersionInfo", text(path), [&](Status* error) {
            return m_.files.versionInfo(text(path), size, data, error);
        });
    }
    bool queryFixedFileVersion(const uint8_t* data, FixedFileVersion* version) override {
        return boolCall("VerQueryValue", "\\", [&](Status* error) {
            bool found = SimFileSystem::fixedVersion(data, version);
            *error = kErrorResourceTypeNotFound;
            return found;
        });
    }
    OsHandle openFileForRead(const char* path) override {
        return handleCall("CreateFile", text(path),
                          [&](Status* error) { return m_.files.openForRead(text(path), error); });
    }
    bool getFileLastWriteTime(OsHandle file, uint64_t* fileTime) override {
        return boolCall("GetFileTime", "", [&](Status* error) {
            *error = kErrorInvalidHandle;
            return m_.files.lastWriteTime(file, fileTime);
        });
    }
    bool fileTimeToLocalFileTime(uint64_t fileTime, uint64_t* localFileTime) override {
        return boolCall("FileTimeToLocalFileTime", std::to_string(fileTime), [&](Status*) {
            *localFileTime = fileTime + static_cast<uint64_t>(m_.clock.utcOffsetTicks());
            return true;
        });
    }
    bool fileTimeToSystemTime(uint64_t fileTime, CalendarTime* time) override {
        return boolCall("FileTimeToSystemTime", std::to_string(fileTime), [&](Status*) {
            *time = SimClock::calendarFromFileTime(fileTime);
            return true;
        });
    }
    bool moveFile(const char* from, const char* to) override {
        return boolCall("MoveFile", text(from) + " -> " + text(to),
                        [&](Status* error) { return m_.files.move(text(from), text(to), error); });
    }
    bool createProcess(const char* commandLine, uint32_t creationFlags,
                       ProcessInfo* info) override {
        return boolCall("CreateProcess", text(commandLine) + " flags=" + hex(creationFlags),
                        [&](Status* error) {
                            return m_.processes.create(text(commandLine), creationFlags,
                                                       m_.system.fsRedirectionDisabled,
                                                       m_.clock.utcMilliseconds, info, error);
                        });
    }
    bool closeHandle(OsHandle handle) override {
        return boolCall("CloseHandle", "", [&](Status* error) {
            *error = kErrorInvalidHandle;
            return m_.files.closeHandle(handle) || m_.processes.closeHandle(handle);
        });
    }

    // --- System information
    uint16_t systemInfoArchitecture() override {
        m_.journal.record("GetSystemInfo", "", kErrorSuccess);
        // A 32-bit process under WOW64 is told it runs on an x86 processor.
        return m_.system.is64Bit() ? kProcessorArchitectureIntel : m_.system.nativeArchitecture();
    }
    bool kernel32HasFunction(const char* name) override {
        bool found = false;
        call("GetProcAddress", text(name), [&] {
            std::string wanted = text(name);
            found = m_.system.kernel32Loads &&
                    ((wanted == "GetNativeSystemInfo" && m_.system.hasGetNativeSystemInfo) ||
                     ((wanted == "Wow64DisableWow64FsRedirection" ||
                       wanted == "Wow64RevertWow64FsRedirection") &&
                      m_.system.hasWow64Redirection));
            return found ? kErrorSuccess : Status{127};  // ERROR_PROC_NOT_FOUND
        });
        return found;
    }
    uint16_t nativeSystemInfoArchitecture() override {
        m_.journal.record("GetNativeSystemInfo", "", kErrorSuccess);
        return m_.system.nativeArchitecture();
    }
    void wow64DisableFsRedirection(OsHandle* token) override {
        call("Wow64DisableWow64FsRedirection", "", [&] {
            m_.system.fsRedirectionDisabled = true;
            *token = static_cast<OsHandle>(++m_.system.redirectionTokens);
            return kErrorSuccess;
        });
    }
    void wow64RevertFsRedirection(OsHandle token) override {
        call("Wow64RevertWow64FsRedirection", std::to_string(token), [&] {
            if (token == 0) {
                return kErrorInvalidParameter;
            }
            m_.system.fsRedirectionDisabled = false;
            return kErrorSuccess;
        });
    }
    bool getVersion(OsVersion* version) override {
        return call("GetVersionEx", "", [&] {
                   if (m_.system.versionQueryFails) {
                       return kErrorInvalidParameter;
                   }
                   *version = m_.system.version;
                   return kErrorSuccess;
               }) == kErrorSuccess;
    }
    uint32_t getWindowsDirectory(char* buffer, uint32_t size) override {
        return counted("GetWindowsDirectory", "",
                       [&] { return countedCopy(m_.system.windowsDirectory, buffer, size); });
    }
    uint32_t expandEnvironmentStrings(const char* source, char* buffer, uint32_t size) override {
        return counted("ExpandEnvironmentStrings", text(source), [&]() -> uint32_t {
            std::string expanded = expand(text(source));
            // ExpandEnvironmentStrings counts the null in both of its answers.
            uint32_t needed = countedCopy(expanded, buffer, size);
            return needed > expanded.size() ? needed : needed + 1;
        });
    }
    uint32_t getShortPathName(const char* longPath, char* buffer, uint32_t size) override {
        return counted("GetShortPathName", text(longPath), [&]() -> uint32_t {
            std::string path = text(longPath);
            if (!m_.files.exists(path)) {
                m_.system.lastError = kErrorFileNotFound;
                return 0;
            }
            auto alias = m_.system.shortNames.find(path);
            return countedCopy(alias == m_.system.shortNames.end() ? path : alias->second, buffer,
                               size);
        });
    }
    uint32_t formatSystemMessage(Status code, char* buffer, uint32_t size) override {
        return counted("FormatMessage", std::to_string(code), [&]() -> uint32_t {
            auto found = m_.system.systemMessages.find(code);
            if (found == m_.system.systemMessages.end()) {
                m_.system.lastError = 317;  // ERROR_MR_MID_NOT_FOUND
                return 0;
            }
            std::string message = found->second.substr(0, size ? size - 1 : 0);
            std::memcpy(buffer, message.c_str(), message.size() + 1);
            return static_cast<uint32_t>(message.size());
        });
    }
    Status getLastError() override { return m_.system.lastError; }
    CalendarTime localTime() override { return m_.clock.localTime(); }
    CalendarTime systemTime() override { return m_.clock.utcTime(); }
    int crtRand() override { return m_.system.nextRand(); }
    void sleep(uint32_t milliseconds) override {
        m_.journal.record("Sleep", std::to_string(milliseconds), kErrorSuccess);
        m_.clock.advance(milliseconds);
    }

    // --- User interface and diagnostics
    void outputDebugString(const char* message) override {
        m_.system.debugOutput.push_back(text(message));
    }
    int messageBox(const char* message, const char* caption, uint32_t style) override {
        m_.journal.record("MessageBox", text(message), kErrorSuccess);
        m_.system.messageBoxes.push_back({text(message), text(caption), style});
        if (m_.system.messageBoxAnswers.empty()) {
            return kIdOk;
        }
        int answer = m_.system.messageBoxAnswers.front();
        m_.system.messageBoxAnswers.pop_front();
        return answer;
    }

    OsHandle findWindow(const char* title) override {
        return handleCall("FindWindow", text(title), [&](Status* error) {
            *error = kErrorFileNotFound;
            return m_.windows.findTopLevel(text(title));
        });
    }
    void enumChildWindows(OsHandle parent, const std::function<bool(OsHandle)>& visit) override {
        m_.journal.record("EnumChildWindows", hex(static_cast<uint32_t>(parent)), kErrorSuccess);
        for (OsHandle child : m_.windows.descendants(parent)) {
            if (!visit(child)) {
                return;
            }
        }
    }
    int getClassName(OsHandle window, char* buffer, int size) override {
        SimWindow* found = m_.windows.window(window);
        if (!found || size <= 0) {
            return 0;
        }
        std::string name = found->className.substr(0, static_cast<size_t>(size - 1));
        std::memcpy(buffer, name.c_str(), name.size() + 1);
        return static_cast<int>(name.size());
    }
    void setWindowText(OsHandle window, const char* message) override {
        m_.journal.record("SendMessage", "WM_SETTEXT " + text(message), kErrorSuccess);
        if (SimWindow* found = m_.windows.window(window)) {
            found->text = text(message);
        }
    }
    OsHandle getForegroundWindow() override { return m_.windows.foreground; }
    bool getOpenFileName(OpenFileName* dialog) override {
        return boolCall("GetOpenFileName", "", [&](Status* error) {
            *error = kErrorSuccess;  // a cancelled dialog is no error
            return m_.windows.showFileDialog(dialog);
        });
    }

    // --- C runtime file calls
    int fileOpen(const char* path, FileOpenMode mode) override {
        return crt("_open", text(path), [&] { return m_.files.open(text(path), mode); });
    }
    long fileSeek(int fd, long offset, SeekOrigin origin) override {
        return crt("_lseek", std::to_string(offset),
                   [&] { return m_.files.seek(fd, offset, origin); });
    }
    int fileTryLock(int fd, long length) override {
        return crt("_locking", std::to_string(length),
                   [&] { return m_.files.tryLock(fd, length); });
    }
    int fileUnlock(int fd, long length) override {
        return crt("_unlocking", std::to_string(length),
                   [&] { return m_.files.unlock(fd, length); });
    }
    int fileRead(int fd, void* buffer, unsigned size) override {
        return crt("_read", std::to_string(size), [&] { return m_.files.read(fd, buffer, size); });
    }
    int fileWrite(int fd, const void* data, unsigned size) override {
        return crt("_write", std::to_string(size), [&] { return m_.files.write(fd, data, size); });
    }
    long fileLength(int fd) override {
        return crt("_filelength", "", [&] { return m_.files.length(fd); });
    }
    int fileClose(int fd) override {
        return crt("_close", "", [&] { return m_.files.close(fd); });
    }
    int crtErrno() override { return m_.files.lastErrno(); }

    // --- Directories
    uint32_t findFileAttributes(const char* path) override {
        uint32_t attributes = kInvalidFileAttributes;
        call("FindFirstFile", text(path), [&] {
            attributes = m_.files.attributes(text(path));
            return attributes == kInvalidFileAttributes ? kErrorFileNotFound : kErrorSuccess;
        });
        return attributes;
    }
    bool createDirectory(const char* path) override {
        return call("CreateDirectory", text(path), [&] {
                   Status error = kErrorSuccess;
                   m_.files.createDirectory(text(path), &error);
                   return error;
               }) == kErrorSuccess;
    }
    bool setFileAttributes(const char* path, uint32_t attributes) override {
        return call("SetFileAttributes", text(path) + " " + hex(attributes), [&] {
                   return m_.files.setAttributes(text(path), attributes) ? kErrorSuccess
                                                                         : kErrorFileNotFound;
               }) == kErrorSuccess;
    }

  private:
    // A call that reports a Win32 status: an injected failure replaces it.
    template <typename Body>
    Status call(const char* operation, std::string arguments, Body body) {
        if (auto injected = m_.journal.injectedFailure(operation)) {
            m_.system.lastError = *injected;
            m_.journal.record(operation, std::move(arguments), *injected, true);
            return *injected;
        }
        Status status = body();
        if (status != kErrorSuccess) {
            m_.system.lastError = status;
        }
        m_.journal.record(operation, std::move(arguments), status);
        return status;
    }
    // A counted text call: 0 means failure, with the reason in GetLastError.
    template <typename Body>
    uint32_t counted(const char* operation, std::string arguments, Body body) {
        uint32_t count = 0;
        call(operation, std::move(arguments), [&] {
            count = body();
            return count == 0 ? m_.system.lastError : kErrorSuccess;
        });
        return count;
    }
    // A call that hands out a handle: 0 means failure, with the reason in GetLastError.
    template <typename Body>
    OsHandle handleCall(const char* operation, std::string arguments, Body body) {
        OsHandle handle = 0;
        call(operation, std::move(arguments), [&] {
            Status error = kErrorSuccess;
            handle = body(&error);
            return handle == 0 ? (error ? error : kErrorInvalidHandle) : kErrorSuccess;
        });
        return handle;
    }
    // A call that answers true or false, with the reason in GetLastError.
    template <typename Body>
    bool boolCall(const char* operation, std::string arguments, Body body) {
        bool succeeded = false;
        Status status = call(operation, std::move(arguments), [&] {
            Status error = kErrorSuccess;
            succeeded = body(&error);
            return succeeded ? kErrorSuccess : error;
        });
        return succeeded && status == kErrorSuccess;
    }
    // A C runtime call: -1 means failure, with the reason in errno.
    template <typename Body>
    auto crt(const char* operation, std::string arguments, Body body) -> decltype(body()) {
        if (auto injected = m_.journal.injectedFailure(operation)) {
            m_.files.setErrno(static_cast<int>(*injected));
            m_.journal.record(operation, std::move(arguments), *injected, true);
            return -1;
        }
        auto result = body();
        m_.journal.record(operation, std::move(arguments),
                          result < 0 ? static_cast<Status>(m_.files.lastErrno()) : 0);
        return result;
    }

    std::string describeKey(OsHandle root, const char* subKey, uint32_t access) const {
        return m_.registry.resolve(root, text(subKey), access, m_.system.is64Bit()) +
               " access=" + hex(access);
    }

    std::string expand(const std::string& source) const {
        std::string out;
        for (size_t i = 0; i < source.size(); ++i) {
            size_t close = source.find('%', i + 1);
            if (source[i] == '%' && close != std::string::npos) {
                auto found = m_.system.environment.find(source.substr(i + 1, close - i - 1));
                if (found != m_.system.environment.end()) {
                    out += found->second;
                    i = close;
                    continue;
                }
            }
            out += source[i];
        }
        return out;
    }

    SimMachine& m_;
};

}  // namespace

std::unique_ptr<Platform> makeSimPlatform(SimMachine& machine) {
    return std::make_unique<SimPlatform>(machine);
}

}  // namespace qx::sim
