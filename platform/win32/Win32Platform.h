#pragma once
// The real backend of the platform seam: every operation is the Win32, Windows Installer or C
// runtime call it is named after. windows.h stays inside Win32Platform.cpp.

#include <cstdint>
#include <functional>

#include "platform/Platform.h"

namespace qx {

class Win32Platform final : public Platform {
  public:
    Status msiGetProperty(MsiHandle session, const char* name, char* buffer,
                          uint32_t* chars) override;
    Status msiSetProperty(MsiHandle session, const char* name, const char* value) override;
    bool msiGetMode(MsiHandle session, int runMode) override;
    Status msiSetMode(MsiHandle session, int runMode, bool state) override;
    MsiHandle msiCreateRecord(uint32_t fields) override;
    Status msiRecordSetString(MsiHandle record, uint32_t field, const char* value) override;
    Status msiRecordSetInteger(MsiHandle record, uint32_t field, int value) override;
    Status msiRecordGetString(MsiHandle record, uint32_t field, char* buffer,
                              uint32_t* chars) override;
    int msiProcessMessage(MsiHandle session, uint32_t messageType, MsiHandle record) override;
    MsiHandle msiGetLastErrorRecord() override;
    Status msiCloseHandle(MsiHandle handle) override;
    Status msiCloseAllHandles() override;

    Status regOpenKey(OsHandle root, const char* subKey, uint32_t access, OsHandle* key) override;
    Status regCreateKey(OsHandle root, const char* subKey, uint32_t access, OsHandle* key) override;
    Status regQueryValue(OsHandle key, const char* name, uint32_t* type, uint8_t* data,
                         uint32_t* size) override;
    Status regSetValue(OsHandle key, const char* name, uint32_t type, const uint8_t* data,
                       uint32_t size) override;
    Status regDeleteValue(OsHandle key, const char* name) override;
    Status regQueryInfoKey(OsHandle key, uint32_t* maxValueNameChars,
                           uint32_t* maxValueBytes) override;
    Status regEnumValue(OsHandle key, uint32_t index, char* name, uint32_t* nameChars,
                        uint32_t* type, uint8_t* data, uint32_t* dataSize) override;
    Status regCloseKey(OsHandle key) override;
    Status regEnumKey(OsHandle key, uint32_t index, char* name, uint32_t* nameChars) override;
    Status regDeleteKey(OsHandle key, const char* subKey) override;

    OsHandle openSCManager(const char* database, uint32_t access) override;
    OsHandle openService(OsHandle manager, const char* name, uint32_t access) override;
    bool startService(OsHandle service) override;
    bool controlService(OsHandle service, uint32_t control) override;
    bool closeServiceHandle(OsHandle handle) override;

    uint32_t getFileVersionInfoSize(const char* path) override;
    bool getFileVersionInfo(const char* path, uint32_t size, uint8_t* data) override;
    bool queryFixedFileVersion(const uint8_t* data, FixedFileVersion* version) override;
    OsHandle openFileForRead(const char* path) override;
    bool getFileLastWriteTime(OsHandle file, uint64_t* fileTime) override;
    bool fileTimeToLocalFileTime(uint64_t fileTime, uint64_t* localFileTime) override;
    bool fileTimeToSystemTime(uint64_t fileTime, CalendarTime* time) override;
    bool moveFile(const char* from, const char* to) override;
    bool createProcess(const char* commandLine, uint32_t creationFlags, ProcessInfo* info) override;
    bool closeHandle(OsHandle handle) override;

    uint16_t systemInfoArchitecture() override;
    bool kernel32HasFunction(const char* name) override;
    uint16_t nativeSystemInfoArchitecture() override;
    void wow64DisableFsRedirection(OsHandle* token) override;
    void wow64RevertFsRedirection(OsHandle token) override;
    bool getVersion(OsVersion* version) override;
    uint32_t getWindowsDirectory(char* buffer, uint32_t size) override;
    uint32_t expandEnvironmentStrings(const char* source, char* buffer, uint32_t size) override;
    uint32_t getShortPathName(const char* longPath, char* buffer, uint32_t size) override;
    uint32_t formatSystemMessage(Status code, char* buffer, uint32_t size) override;
    Status getLastError() override;
    CalendarTime localTime() override;
    CalendarTime systemTime() override;
    int crtRand() override;
    void sleep(uint32_t milliseconds) override;

    void outputDebugString(const char* text) override;
    int messageBox(const char* text, const char* caption, uint32_t style) override;
    OsHandle findWindow(const char* title) override;
    void enumChildWindows(OsHandle parent, const std::function<bool(OsHandle)>& visit) override;
    int getClassName(OsHandle window, char* buffer, int size) override;
    void setWindowText(OsHandle window, const char* text) override;
    OsHandle getForegroundWindow() override;
    bool getOpenFileName(OpenFileName* dialog) override;

    int fileOpen(const char* path, FileOpenMode mode) override;
    long fileSeek(int fd, long offset, SeekOrigin origin) override;
    int fileTryLock(int fd, long length) override;
    int fileUnlock(int fd, long length) override;
    int fileRead(int fd, void* buffer, unsigned size) override;
    int fileWrite(int fd, const void* data, unsigned size) override;
    long fileLength(int fd) override;
    int fileClose(int fd) override;
    int crtErrno() override;

    uint32_t findFileAttributes(const char* path) override;
    bool createDirectory(const char* path) override;
    bool setFileAttributes(const char* path, uint32_t attributes) override;
};

// The one instance the DLLs run on.
Platform& win32Platform();

}  // namespace qx
