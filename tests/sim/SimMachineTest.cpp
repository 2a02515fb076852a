// The simulated machine answers like Windows where the actions depend on it.

#include <gtest/gtest.h>

#include <cstring>

#include "platform/ScopedHandle.h"
#include "platform/sim/SimMachine.h"

namespace qx::sim {
namespace {

TEST(SimInstallerTest, GetPropertyReportsLengthAndCutsToTheBuffer) {
    SimMachine m;
    auto& s = m.installer.openSession();
    s.properties["P"] = "hello";
    Platform& os = m.platform();
    char buffer[8] = {};
    uint32_t chars = 5;
    EXPECT_EQ(os.msiGetProperty(s.handle, "P", buffer, &chars), kErrorMoreData);
    EXPECT_EQ(chars, 5u);
    EXPECT_STREQ(buffer, "hell");
    chars = 6;
    EXPECT_EQ(os.msiGetProperty(s.handle, "P", buffer, &chars), kErrorSuccess);
    EXPECT_EQ(chars, 5u);
    EXPECT_STREQ(buffer, "hello");
}

TEST(SimInstallerTest, ScriptRunSeesOnlyItsOwnPropertiesAndModes) {
    SimMachine m;
    Platform& os = m.platform();
    auto& deferred = m.installer.openSession(RunKind::Deferred);
    deferred.properties = {{"CustomActionData", "data"}, {"UserSID", "S-1"}, {"DEBUG", "1"}};
    char buffer[32];
    uint32_t chars = sizeof buffer;
    os.msiGetProperty(deferred.handle, "DEBUG", buffer, &chars);
    EXPECT_EQ(chars, 0u);
    chars = sizeof buffer;
    os.msiGetProperty(deferred.handle, "CustomActionData", buffer, &chars);
    EXPECT_STREQ(buffer, "data");
    EXPECT_NE(os.msiSetProperty(deferred.handle, "X", "1"), kErrorSuccess);
    EXPECT_TRUE(os.msiGetMode(deferred.handle, kRunModeScheduled));
    EXPECT_FALSE(os.msiGetMode(deferred.handle, kRunModeRollback));
    auto& rollback = m.installer.openSession(RunKind::Rollback);
    EXPECT_TRUE(os.msiGetMode(rollback.handle, kRunModeScheduled));
    EXPECT_TRUE(os.msiGetMode(rollback.handle, kRunModeRollback));
    EXPECT_EQ(os.msiSetMode(rollback.handle, kRunModeRebootAtEnd, true), kErrorSuccess);
    EXPECT_NE(os.msiSetMode(rollback.handle, kRunModeMaintenance, true), kErrorSuccess);
}

TEST(SimInstallerTest, RecordsAreCountedUntilClosed) {
    SimMachine m;
    Platform& os = m.platform();
    MsiHandle a = os.msiCreateRecord(1);
    MsiHandle b = os.msiCreateRecord(2);
    EXPECT_EQ(m.installer.openRecordCount(), 2u);
    os.msiCloseHandle(a);
    EXPECT_EQ(m.installer.openRecordCount(), 1u);
    EXPECT_EQ(os.msiRecordSetString(a, 1, "x"), kErrorInvalidHandle);
    EXPECT_EQ(os.msiRecordSetString(b, 3, "x"), kErrorInvalidParameter);
    EXPECT_EQ(os.msiCloseAllHandles(), 1u);
    EXPECT_EQ(m.installer.openRecordCount(), 0u);
}

TEST(SimRegistryTest, ThirtyTwoBitCallerOfA64BitMachineLandsInTheWow64View) {
    SimMachine m(kProcessorArchitectureAmd64);
    Platform& os = m.platform();
    struct Case {
        const char* subKey;
        uint32_t access;
        const char* lands;
    } cases[] = {
        {"SOFTWARE\\Vendor", kKeyAllAccess, "HKLM\\SOFTWARE\\Wow6432Node\\Vendor"},
        {"SOFTWARE\\Vendor", kKeyAllAccess | kKeyWow64_64Key, "HKLM\\SOFTWARE\\Vendor"},
        {"SYSTEM\\CurrentControlSet", kKeyAllAccess, "HKLM\\SYSTEM\\CurrentControlSet"},
    };
    for (const auto& c : cases) {
        RegistryKey key(os);
        ASSERT_EQ(os.regCreateKey(kHkeyLocalMachine, c.subKey, c.access, key.receive()), 0u);
        EXPECT_EQ(m.registry.pathOf(key.get()), c.lands);
    }
    SimMachine x86;
    RegistryKey key(x86.platform());
    x86.platform().regCreateKey(kHkeyLocalMachine, "SOFTWARE\\Vendor", kKeyAllAccess,
                                key.receive());
    EXPECT_EQ(x86.registry.pathOf(key.get()), "HKLM\\SOFTWARE\\Vendor");
}

TEST(SimRegistryTest, ValueQueriesFollowTheBufferRules) {
    SimMachine m;
    Platform& os = m.platform();
    m.registry.setValue("HKLM\\SOFTWARE\\V", "Wide", kRegQword, std::vector<uint8_t>(8, 1));
    m.registry.setDword("HKLM\\SOFTWARE\\V", "Level", 7);
    RegistryKey key(os);
    ASSERT_EQ(os.regOpenKey(kHkeyLocalMachine, "software\\v\\", kKeyRead, key.receive()), 0u);
    uint8_t data[4];
    uint32_t type = 0;
    uint32_t size = 4;
    EXPECT_EQ(os.regQueryValue(key.get(), "wide", &type, data, &size), kErrorMoreData);
    EXPECT_EQ(size, 8u);
    EXPECT_EQ(type, kRegQword);
    size = 4;
    EXPECT_EQ(os.regQueryValue(key.get(), "Missing", &type, data, &size), kErrorFileNotFound);
    char name[4];
    uint32_t nameChars = sizeof name;
    size = 4;
    EXPECT_EQ(os.regEnumValue(key.get(), 1, name, &nameChars, &type, data, &size),
              kErrorMoreData);  // "Level" needs six characters
    nameChars = sizeof name;
    EXPECT_EQ(os.regEnumValue(key.get(), 2, name, &nameChars, &type, data, &size),
              kErrorNoMoreItems);
    EXPECT_EQ(os.regSetValue(key.get(), "X", kRegDword, data, 4), kErrorAccessDenied);
}

TEST(SimRegistryTest, KeysThatRefuseWritesStillOpenForReading) {
    SimMachine m;
    Platform& os = m.platform();
    m.registry.denyWrites("HKLM\\SYSTEM\\Locked");
    RegistryKey key(os);
    EXPECT_EQ(os.regOpenKey(kHkeyLocalMachine, "SYSTEM\\Locked", kKeyAllAccess, key.receive()),
              kErrorAccessDenied);
    EXPECT_EQ(
        os.regCreateKey(kHkeyLocalMachine, "SYSTEM\\Locked\\Child", kKeyAllAccess, key.receive()),
        kErrorAccessDenied);
    EXPECT_EQ(os.regOpenKey(kHkeyLocalMachine, "SYSTEM\\Locked", kKeyRead, key.receive()), 0u);
}

TEST(SimJournalTest, TheNthCallFailsWithTheChosenCode) {
    SimMachine m;
    Platform& os = m.platform();
    m.journal.failNth("RegOpenKeyEx", 2, kErrorAccessDenied);
    RegistryKey key(os);
    const char* sub = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
    EXPECT_EQ(os.regOpenKey(kHkeyLocalMachine, sub, kKeyRead, key.receive()), 0u);
    EXPECT_EQ(os.regOpenKey(kHkeyLocalMachine, sub, kKeyRead, key.receive()), kErrorAccessDenied);
    EXPECT_EQ(os.regOpenKey(kHkeyLocalMachine, sub, kKeyRead, key.receive()), 0u);
    auto calls = m.journal.calls("RegOpenKeyEx");
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_TRUE(calls[1].injected);
    EXPECT_EQ(calls[1].status, kErrorAccessDenied);
    EXPECT_EQ(calls[0].arguments,
              "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion access=0x20019");
}

TEST(SimFileSystemTest, LocksConflictBetweenDescriptorsUntilReleased) {
    SimMachine m;
    Platform& os = m.platform();
    int a = os.fileOpen("C:\\WINDOWS\\temp\\f", FileOpenMode::ReadWriteCreate);
    int b = os.fileOpen("C:\\WINDOWS\\temp\\f", FileOpenMode::ReadWriteExisting);
    EXPECT_EQ(os.fileTryLock(a, 10), 0);
    EXPECT_EQ(os.fileTryLock(b, 5), -1);
    EXPECT_EQ(os.crtErrno(), kErrnoAcces);
    os.fileSeek(b, 10, SeekOrigin::Begin);
    EXPECT_EQ(os.fileTryLock(b, 5), 0);  // the next bytes are free
    os.fileClose(a);                     // closing releases a's locks
    os.fileSeek(b, 0, SeekOrigin::Begin);
    EXPECT_EQ(os.fileTryLock(b, 5), 0);
    os.fileClose(b);
    EXPECT_EQ(os.fileOpen("C:\\nowhere\\f", FileOpenMode::ReadWriteCreate), -1);
    EXPECT_EQ(os.crtErrno(), kErrnoNoEnt);
}

}  // namespace
}  // namespace qx::sim
