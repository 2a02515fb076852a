#include "TestMachine.h"
#include "common/PlatformHelpers.h"

namespace qx::test {
namespace {

class HelpersTest : public MachineTest {
  protected:
    HelpersTest() { QxecaLogInit(qxeca.log, "qxeca"); }
};

TEST_F(HelpersTest, ArchitectureViewAndCommonFilesOnEachMachine) {
    struct Case {
        uint16_t architecture;
        bool is64;
        const char* access;
    } cases[] = {
        {kProcessorArchitectureIntel, false, "access=0x20019"},
        {kProcessorArchitectureAmd64, true, "access=0x20119"},
        {kProcessorArchitectureIa64, true, "access=0x20119"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.architecture);
        sim::SimMachine m(c.architecture);
        Library library(m.platform(), kQxeca);
        EXPECT_EQ(GetProcessorArchitecture(m.platform()), c.architecture);
        EXPECT_EQ(Is64BitWindows(m.platform()), c.is64);
        std::string directory;
        ASSERT_TRUE(GetCommonFilesDirectory(library, "CommonFilesDir", directory, 260));
        // The native view's folder, never the 32-bit one.
        EXPECT_EQ(directory, "C:\\Program Files\\Common Files");
        auto opens = m.journal.calls("RegOpenKeyEx");
        ASSERT_EQ(opens.size(), 1u);
        EXPECT_NE(opens[0].arguments.find(c.access), std::string::npos) << opens[0].arguments;
    }
}

TEST_F(HelpersTest, SystemWithoutTheNativeQueryCountsAsX86) {
    machine.system.hasGetNativeSystemInfo = false;
    EXPECT_EQ(GetProcessorArchitecture(machine.platform()), 0);
    EXPECT_EQ(machine.journal.count("GetNativeSystemInfo"), 0u);
}

TEST_F(HelpersTest, RedirectionOn32BitWindowsIsNeitherTouchedNorLogged) {
    std::string before = logFile();
    EXPECT_EQ(DisableFsRedirection(qxeca), 0u);
    RevertFsRedirection(qxeca, 0);
    EXPECT_EQ(logFile(), before);
    EXPECT_EQ(machine.journal.count("Wow64DisableWow64FsRedirection"), 0u);
    EXPECT_EQ(machine.journal.count("Wow64RevertWow64FsRedirection"), 0u);
}

TEST_F(HelpersTest, RedirectionOn64BitWindowsIsSwitchedOffAndBackOn) {
    sim::SimMachine m(kProcessorArchitectureAmd64);
    Library library(m.platform(), kQxeca);
    QxecaLogInit(library.log, "qxeca");
    OsHandle token = DisableFsRedirection(library);
    EXPECT_NE(token, 0u);
    EXPECT_TRUE(m.system.fsRedirectionDisabled);
    RevertFsRedirection(library, token);
    EXPECT_FALSE(m.system.fsRedirectionDisabled);
    std::string file = m.files.readFile(kLogPath).value_or("");
    EXPECT_NE(file.find("INFO: calling Wow64DisableWow64FsRedirection\r\n"), std::string::npos);
    EXPECT_NE(file.find("INFO: calling Wow64RevertWow64FsRedirection\r\n"), std::string::npos);
}

TEST_F(HelpersTest, CommonFilesLookupFailures) {
    const std::string key = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
    struct Case {
        const char* name;
        std::function<void(sim::SimRegistry&)> arrange;
        const char* line;
    } cases[] = {
        {"expandable string",
         [&](sim::SimRegistry& r) {
             r.setString(key, "CommonFilesDir", "%ProgramFiles%\\Common Files", kRegExpandSz);
         },
         "ERROR: GetCommonFilesDirectory: RegQueryValueEx rc=0"},
        {"value missing",
         [&](sim::SimRegistry& r) {
             r.setDword(key, "Other", 1);
             r.deleteKey(key);
             r.createKey(key);
         },
         "ERROR: GetCommonFilesDirectory: RegQueryValueEx rc=2"},
        {"key missing", [&](sim::SimRegistry& r) { r.deleteKey(key); },
         "ERROR: GetCommonFilesDirectory: RegOpenKeyEx rc=2"},
        {"value too long for the buffer",
         [&](sim::SimRegistry& r) { r.setString(key, "CommonFilesDir", std::string(300, 'c')); },
         "ERROR: GetCommonFilesDirectory: RegQueryValueEx rc=ea"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim::SimMachine m;
        Library library(m.platform(), kQxeca);
        QxecaLogInit(library.log, "qxeca");
        c.arrange(m.registry);
        std::string directory = "unchanged";
        EXPECT_FALSE(GetCommonFilesDirectory(library, "CommonFilesDir", directory, 260));
        EXPECT_EQ(directory, "unchanged");
        EXPECT_NE(m.files.readFile(kLogPath)->find(std::string(c.line) + "\r\n"),
                  std::string::npos);
        EXPECT_EQ(m.registry.openKeyCount(), 0u);
    }
}

TEST_F(HelpersTest, Windows2000OrHigherByPlatformAndMajorVersion) {
    struct Case {
        OsVersion version;
        bool queryFails;
        bool expected;
    } cases[] = {
        {{4, 0, 1381, kVerPlatformWin32Nt}, false, false},  // NT 4.0
        {{5, 0, 2195, kVerPlatformWin32Nt}, false, true},   // 2000
        {{5, 1, 2600, kVerPlatformWin32Nt}, false, true},   // XP
        {{10, 0, 19045, kVerPlatformWin32Nt}, false, true},
        {{4, 10, 2222, kVerPlatformWin32Windows}, false, false},  // 98
        {{6, 1, 7601, kVerPlatformWin32Nt}, true, false},
    };
    for (const auto& c : cases) {
        machine.system.version = c.version;
        machine.system.versionQueryFails = c.queryFails;
        EXPECT_EQ(Windows2000orHigher(qxeca), c.expected);
        auto entries = logEntries();
        EXPECT_EQ(entries[entries.size() - 2], "INFO: Windows2000orHigher: check windows version");
        EXPECT_EQ(entries.back(), c.expected ? "INFO: Windows 2000 or higher; return TRUE"
                                             : "INFO: Windows NOT 2000 or higher; return FALSE");
    }
}

}  // namespace
}  // namespace qx::test
