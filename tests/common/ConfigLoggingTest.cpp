#include "TestMachine.h"
#include "common/ConfigLogging.h"

namespace qx::test {
namespace {

const std::string kSharedDlls = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDlls";

class ConfigLoggingTest : public MachineTest {
  protected:
    ConfigLoggingTest() { QxecaLogInit(qxeca.log, "qxeca"); }

    // The entries LogRefCounts added.
    std::vector<std::string> refCountLines() {
        size_t before = logEntries().size();
        LogRefCounts(qxeca);
        auto entries = logEntries();
        return {entries.begin() + static_cast<long>(before), entries.end()};
    }
};

TEST_F(ConfigLoggingTest, ListsOnlyTheMakersFilesInAnyLetterCase) {
    machine.registry.setDword(kSharedDlls, "C:\\Program Files\\Common Files\\Other\\x.dll", 1);
    machine.registry.setDword(kSharedDlls, "c:\\program files\\COMMON FILES\\quaxten\\qxe.sys", 3);
    machine.registry.setDword(kSharedDlls, "C:\\WINDOWS\\system32\\quaxten.dll", 9);
    machine.registry.setDword(kSharedDlls, "C:\\Program Files\\Common Files\\Quaxten\\QXE\\a.dll",
                              2);
    EXPECT_EQ(refCountLines(),
              (std::vector<std::string>{
                  "INFO: c:\\program files\\COMMON FILES\\quaxten\\qxe.sys refcount=3",
                  "INFO: C:\\Program Files\\Common Files\\Quaxten\\QXE\\a.dll refcount=2",
                  "INFO: LogRefCounts: got 2 QXI refcounts",
              }));
    EXPECT_EQ(machine.registry.openKeyCount(), 0u);
}

TEST_F(ConfigLoggingTest, NoMakerValuesGiveZero) {
    machine.registry.setDword(kSharedDlls, "C:\\Other\\x.dll", 1);
    EXPECT_EQ(refCountLines(), std::vector<std::string>{"INFO: LogRefCounts: got 0 QXI refcounts"});
}

TEST_F(ConfigLoggingTest, ValuesThatAreNotFourByteDwordsAreListedByTypeAndSize) {
    const std::string folder = "C:\\Program Files\\Common Files\\Quaxten\\";
    machine.registry.setString(kSharedDlls, folder + "text.dll", "3");
    machine.registry.setValue(kSharedDlls, folder + "short.dll", kRegDword, {7, 0});
    machine.registry.setValue(kSharedDlls, folder + "long.dll", kRegBinary,
                              std::vector<uint8_t>(40, 1));
    EXPECT_EQ(refCountLines(),
              (std::vector<std::string>{
                  "INFO: " + folder + "text.dll refcount not a number (type=1, size=2)",
                  "INFO: " + folder + "short.dll refcount not a number (type=4, size=2)",
                  "INFO: " + folder + "long.dll refcount not a number (type=3, size=40)",
                  "INFO: LogRefCounts: got 3 QXI refcounts",
              }));
}

TEST_F(ConfigLoggingTest, FailuresEndTheListingWithOneLine) {
    machine.registry.setDword(kSharedDlls, "C:\\Program Files\\Common Files\\Quaxten\\a.dll", 1);
    machine.registry.setDword(kSharedDlls, "C:\\Program Files\\Common Files\\Quaxten\\b.dll", 2);
    machine.journal.failNth("RegQueryInfoKey", 1, kErrorAccessDenied);
    EXPECT_EQ(refCountLines(),
              std::vector<std::string>{"INFO: LogRefCounts: RegQueryInfoKey failed rc=0x5"});
    machine.journal.failNth("RegEnumValue", 2, kErrorAccessDenied);
    EXPECT_EQ(refCountLines(),
              (std::vector<std::string>{
                  "INFO: C:\\Program Files\\Common Files\\Quaxten\\a.dll refcount=1",
                  "INFO: LogRefCounts: RegEnumValue failed rc=0x5",
                  "INFO: LogRefCounts: got 1 QXI refcounts",
              }));
    machine.registry.deleteKey(kSharedDlls);
    EXPECT_EQ(refCountLines(),
              std::vector<std::string>{"INFO: LogRefCounts: RegOpenKeyEx failed rc=0x2"});
    EXPECT_EQ(machine.registry.openKeyCount(), 0u);
}

TEST(ConfigLogging64, ReadsTheNativeViewOnA64BitMachine) {
    sim::SimMachine m(kProcessorArchitectureAmd64);
    Library library(m.platform(), kQxeca);
    QxecaLogInit(library.log, "qxeca");
    m.registry.setDword(kSharedDlls, "C:\\Program Files\\Common Files\\Quaxten\\n.sys", 4);
    m.registry.setDword(
        "HKLM\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\SharedDlls",
        "C:\\Program Files (x86)\\Common Files\\Quaxten\\w.dll", 5);
    LogRefCounts(library);
    std::string file = m.files.readFile(kLogPath).value_or("");
    EXPECT_NE(file.find("INFO: C:\\Program Files\\Common Files\\Quaxten\\n.sys refcount=4\r\n"),
              std::string::npos);
    EXPECT_EQ(file.find("w.dll"), std::string::npos);
    EXPECT_NE(m.journal.calls("RegOpenKeyEx")[0].arguments.find("access=0x101"), std::string::npos);
}

class LogConfigActionTest : public MachineTest {};

TEST_F(LogConfigActionTest, ImmediateRunWritesOnlyVersionStartAndExit) {
    machine.registry.setDword(kSharedDlls, "C:\\Program Files\\Common Files\\Quaxten\\a.dll", 1);
    EXPECT_EQ(QXLogConfig(qxeca, session.handle), 0u);
    EXPECT_EQ(logEntries(), (std::vector<std::string>{
                                "INFO: qxeca dll version 1.5.2.18338",
                                "INFO: ----->> QXLogConfig Starting <<-----",
                                "INFO: ----->> QXLogConfig normal exit rc=0 <<-----",
                                "",
                            }));
    EXPECT_EQ(InfoTexts(session),
              std::vector<std::string>{"QXECA: ----->> QXLogConfig normal exit rc=0 <<-----\n"});
}

TEST_F(LogConfigActionTest, ScriptRunLogsRunModeAndRefCounts) {
    machine.registry.setDword(kSharedDlls, "C:\\Program Files\\Common Files\\Quaxten\\a.dll", 1);
    struct Case {
        bool maintenance;
        bool logging;
        const char* maintenanceLine;
        const char* loggingLine;
    } cases[] = {
        {false, true, "INFO: QXLogConfig MsiRunMode is not Maintenance",
         "INFO: QXLogConfig MsiRunMode = Logging is enabled"},
        {true, false, "INFO: QXLogConfig MsiRunMode = Maintenance",
         "INFO: MsiRunMode Logging is NOT enabled"},
    };
    for (const auto& c : cases) {
        machine.files.remove(kLogPath);
        auto& deferred = newSession(sim::RunKind::Deferred);
        if (c.maintenance) {
            deferred.modes.insert(kRunModeMaintenance);
        }
        if (c.logging) {
            deferred.modes.insert(kRunModeLogEnabled);
        }
        EXPECT_EQ(QXLogConfig(qxeca, deferred.handle), 0u);
        EXPECT_EQ(logEntries(),
                  (std::vector<std::string>{
                      "INFO: qxeca dll version 1.5.2.18338",
                      "INFO: ----->> QXLogConfig Starting <<-----",
                      c.maintenanceLine,
                      c.loggingLine,
                      "INFO: C:\\Program Files\\Common Files\\Quaxten\\a.dll refcount=1",
                      "INFO: LogRefCounts: got 1 QXI refcounts",
                      "INFO: ----->> QXLogConfig normal exit rc=0 <<-----",
                      "",
                  }));
    }
}

TEST_F(LogConfigActionTest, FailureIsShownButSetupGoesOn) {
    struct Case {
        sim::RunKind kind;
        uint32_t shownAs;
    } cases[] = {{sim::RunKind::Immediate, kInstallMessageError},
                 {sim::RunKind::Rollback, kInstallMessageInfo}};
    for (const auto& c : cases) {
        auto& s = newSession(c.kind);
        machine.journal.failNth("MsiGetProperty", 1, kErrorInvalidHandle);
        EXPECT_EQ(QXLogConfig(qxeca, s.handle), 0u);
        auto shown = s.messagesOfKind(c.shownAs);
        ASSERT_FALSE(shown.empty());
        EXPECT_EQ(shown.front().text, "GetProperty\r\n\r\nError: The handle is invalid.");
        EXPECT_EQ(InfoTexts(s).back(),
                  "QXECA: ----->> QXLogConfig exception, but returning ERROR_SUCCESS (no "
                  "rollback) <<-----\n");
        EXPECT_EQ(machine.installer.openRecordCount(), 0u);
        EXPECT_TRUE(qxeca.functionNames.empty());
    }
}

}  // namespace
}  // namespace qx::test
