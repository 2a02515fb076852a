#pragma once
// The Win32 and Windows Installer numbers that cross the platform seam, with the values the real
// headers give them. The names are spelled kXxx so that they never collide with the macros of
// windows.h in the real backend.

#include <cstdint>

namespace qx {

using Status = uint32_t;     // a Win32 error code
using MsiHandle = uint32_t;  // MSIHANDLE
using OsHandle = uintptr_t;  // HKEY, HANDLE, SC_HANDLE: opaque to everything above the seam

// Win32 error codes
constexpr Status kErrorSuccess = 0;
constexpr Status kErrorFileNotFound = 2;
constexpr Status kErrorPathNotFound = 3;
constexpr Status kErrorAccessDenied = 5;
constexpr Status kErrorInvalidHandle = 6;
constexpr Status kErrorNotEnoughMemory = 8;
constexpr Status kErrorSharingViolation = 32;
constexpr Status kErrorInvalidParameter = 87;
constexpr Status kErrorInsufficientBuffer = 122;
constexpr Status kErrorInvalidName = 123;
constexpr Status kErrorAlreadyExists = 183;
constexpr Status kErrorMoreData = 234;
constexpr Status kErrorNoMoreItems = 259;
constexpr Status kErrorInvalidServiceControl = 1052;
constexpr Status kErrorServiceAlreadyRunning = 1056;
constexpr Status kErrorServiceDisabled = 1058;
constexpr Status kErrorServiceDoesNotExist = 1060;
constexpr Status kErrorServiceNotActive = 1062;
constexpr Status kErrorInstallUserExit = 1602;
constexpr Status kErrorInstallFailure = 1603;
constexpr Status kErrorFunctionFailed = 1627;
constexpr Status kErrorResourceDataNotFound = 1812;
constexpr Status kErrorResourceTypeNotFound = 1813;

// Registry roots (the predefined HKEY values of a 32-bit process)
constexpr OsHandle kHkeyCurrentUser = 0x80000001;
constexpr OsHandle kHkeyLocalMachine = 0x80000002;
constexpr OsHandle kHkeyUsers = 0x80000003;

// Registry access rights
constexpr uint32_t kKeyQueryValue = 0x0001;
constexpr uint32_t kKeySetValue = 0x0002;
constexpr uint32_t kKeyCreateSubKey = 0x0004;
constexpr uint32_t kKeyEnumerateSubKeys = 0x0008;
constexpr uint32_t kKeyWow64_64Key = 0x0100;
constexpr uint32_t kKeyWow64_32Key = 0x0200;
constexpr uint32_t kKeyRead = 0x20019;
constexpr uint32_t kKeyWrite = 0x20006;
constexpr uint32_t kKeyAllAccess = 0xF003F;
constexpr uint32_t kMaximumAllowed = 0x02000000;

// Registry value types
constexpr uint32_t kRegNone = 0;
constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegExpandSz = 2;
constexpr uint32_t kRegBinary = 3;
constexpr uint32_t kRegDword = 4;
constexpr uint32_t kRegMultiSz = 7;
constexpr uint32_t kRegQword = 11;

// MSIRUNMODE
constexpr int kRunModeAdmin = 0;
constexpr int kRunModeAdvertise = 1;
constexpr int kRunModeMaintenance = 2;
constexpr int kRunModeRollbackEnabled = 3;
constexpr int kRunModeLogEnabled = 4;
constexpr int kRunModeOperations = 5;
constexpr int kRunModeRebootAtEnd = 6;
constexpr int kRunModeRebootNow = 7;
constexpr int kRunModeCabinet = 8;
constexpr int kRunModeSourceShortNames = 9;
constexpr int kRunModeTargetShortNames = 10;
constexpr int kRunModeWindows9x = 12;
constexpr int kRunModeZawEnabled = 13;
constexpr int kRunModeScheduled = 16;
constexpr int kRunModeRollback = 17;
constexpr int kRunModeCommit = 18;

// INSTALLMESSAGE
constexpr uint32_t kInstallMessageFatalExit = 0x00000000;
constexpr uint32_t kInstallMessageError = 0x01000000;
constexpr uint32_t kInstallMessageWarning = 0x02000000;
constexpr uint32_t kInstallMessageUser = 0x03000000;
constexpr uint32_t kInstallMessageInfo = 0x04000000;
constexpr uint32_t kInstallMessageActionStart = 0x08000000;
constexpr uint32_t kInstallMessageActionData = 0x09000000;
constexpr uint32_t kInstallMessageProgress = 0x0A000000;

// Message-box styles and answers
constexpr uint32_t kMbOk = 0x00000000;
constexpr uint32_t kMbYesNo = 0x00000004;
constexpr uint32_t kMbIconError = 0x00000010;
constexpr uint32_t kMbIconWarning = 0x00000030;
constexpr uint32_t kMbSetForeground = 0x00010000;
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;

// Processor architectures (SYSTEM_INFO.wProcessorArchitecture)
constexpr uint16_t kProcessorArchitectureIntel = 0;
constexpr uint16_t kProcessorArchitectureIa64 = 6;
constexpr uint16_t kProcessorArchitectureAmd64 = 9;

// OSVERSIONINFO.dwPlatformId
constexpr uint32_t kVerPlatformWin32s = 0;
constexpr uint32_t kVerPlatformWin32Windows = 1;
constexpr uint32_t kVerPlatformWin32Nt = 2;

// Service control manager
constexpr uint32_t kScManagerAllAccess = 0xF003F;
constexpr uint32_t kServiceStart = 0x0010;
constexpr uint32_t kServiceStop = 0x0020;
constexpr uint32_t kServiceControlStop = 1;
constexpr const char* kServicesActiveDatabase = "ServicesActive";

// Process creation
constexpr uint32_t kCreateNewConsole = 0x00000010;

// File attributes
constexpr uint32_t kFileAttributeReadOnly = 0x01;
constexpr uint32_t kFileAttributeDirectory = 0x10;
constexpr uint32_t kFileAttributeNormal = 0x80;
constexpr uint32_t kInvalidFileAttributes = 0xFFFFFFFF;

// C runtime errno values the file calls report
constexpr int kErrnoNoEnt = 2;
constexpr int kErrnoBadF = 9;
constexpr int kErrnoAcces = 13;
constexpr int kErrnoExist = 17;
constexpr int kErrnoInval = 22;
constexpr int kErrnoDeadlock = 36;

}  // namespace qx
