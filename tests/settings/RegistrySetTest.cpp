#include "SettingsTest.h"
#include "common/ExportGuard.h"
#include "qxeca/settings/RegistrySet.h"

namespace qx::test {
namespace {

const std::string kTool = "HKLM\\SOFTWARE\\Vendor\\Tool";

class RegistrySetTest : public SettingsTest {
  protected:
    uint32_t setMachine(const std::string& command) {
        clearLog();
        last = &scriptSession(sim::RunKind::Deferred, command);
        return QX_SetHKLMRegDW(qxeca, last->handle);
    }
    uint32_t setUser(const std::string& command) {
        clearLog();
        last = &newSession(sim::RunKind::Immediate);
        last->properties["UserSID"] = machine.registry.currentUserSid();
        last->properties["QX_REG_DATA"] = command;
        return QX_SetImmHKUSIDRegDW(qxeca, last->handle);
    }
    sim::SimSession* last = nullptr;
};

TEST_F(RegistrySetTest, MachineCommandWritesTheDwordCreatingTheKey) {
    EXPECT_EQ(setMachine("SOFTWARE\\Vendor\\Tool;Level;5;"), 0u);
    EXPECT_EQ(machine.registry.dword(kTool, "Level"), 5u);
    const std::string done =
        "setHKLMregDW: set registry key 'SOFTWARE\\Vendor\\Tool' name 'Level' "
        "data '0x5'";
    EXPECT_EQ(logEntries(),
              (std::vector<std::string>{
                  "INFO: qxeca dll version 1.5.2.18338",
                  "INFO: ----->> QX_SetHKLMRegDW Starting... <<-----",
                  "INFO: QX_SetHKLMRegDW: got custom action data 'SOFTWARE\\Vendor\\Tool;Level;5;'",
                  "INFO: setHKLMregDW: got data key='SOFTWARE\\Vendor\\Tool', value='Level', "
                  "data='0x5'",
                  "INFO: " + done,
                  "INFO: ----->> QX_SetHKLMRegDW normal exit rc=0 <<-----",
                  "",
              }));
    EXPECT_EQ(InfoTexts(*last), std::vector<std::string>{"QXECA: " + done});
}

TEST_F(RegistrySetTest, UserCommandWritesUnderTheInstallingUsersHive) {
    EXPECT_EQ(setUser("SOFTWARE\\Vendor\\Tool;Level;5;"), 0u);
    EXPECT_EQ(machine.registry.dword(userHive + "\\SOFTWARE\\Vendor\\Tool", "Level"), 5u);
    EXPECT_FALSE(machine.registry.keyExists(kTool));
    const std::string done = "setHKUSIDregDW: OK, set registry key '" +
                             machine.registry.currentUserSid() +
                             "\\SOFTWARE\\Vendor\\Tool' name 'Level' data '0x5'";
    EXPECT_EQ(logEntries(),
              (std::vector<std::string>{
                  "INFO: qxeca dll version 1.5.2.18338",
                  "INFO: ----->> QX_SetImmHKUSIDRegDW Starting <<-----",
                  "INFO: QX_SetImmHKUSIDRegDW: QX_REG_DATA = 'SOFTWARE\\Vendor\\Tool;Level;5;'",
                  "INFO: get3parm: OK, key='SOFTWARE\\Vendor\\Tool', value='Level', data='0x5'",
                  "INFO: " + done,
                  "INFO: ----->> QX_SetImmHKUSIDRegDW normal exit <<-----",
                  "",
              }));
    EXPECT_EQ(InfoTexts(*last), std::vector<std::string>{"QXECA: " + done});
}

TEST_F(RegistrySetTest, FieldsAreTrimmedAndDataIsReadAsADecimalNumber) {
    struct Case {
        const char* command;
        const char* name;
        uint32_t stored;
        const char* dataText;  // as the log shows it
    } cases[] = {
        {" SOFTWARE\\Vendor\\Tool \t; Level ;\t 7 ;", "Level", 7, "0x7"},
        {"SOFTWARE\\Vendor\\Tool;Hex;0x10;", "Hex", 0, "0"},
        {"SOFTWARE\\Vendor\\Tool;Minus;-1;", "Minus", 4294967295u, "0xffffffff"},
        {"SOFTWARE\\Vendor\\Tool;Tail;12abc;", "Tail", 12, "0xc"},
        {"SOFTWARE\\Vendor\\Tool;Extra;5;extra;more", "Extra", 5, "0x5"},
        {"SOFTWARE\\Vendor\\Tool;Empty;;", "Empty", 0, "0"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(setMachine(c.command), 0u) << c.command;
        EXPECT_EQ(machine.registry.dword(kTool, c.name), c.stored) << c.command;
        EXPECT_EQ(workEntries()[1], std::string("INFO: setHKLMregDW: got data key='SOFTWARE\\Vendor"
                                                "\\Tool', value='") +
                                        c.name + "', data='" + c.dataText + "'")
            << c.command;
        EXPECT_EQ(setUser(c.command), 0u) << c.command;
        EXPECT_EQ(machine.registry.dword(userHive + "\\SOFTWARE\\Vendor\\Tool", c.name), c.stored)
            << c.command;
    }
}

TEST_F(RegistrySetTest, IncompleteCommandFailsTheMachineActionButOnlyLogsForTheUser) {
    struct Case {
        const char* command;
        const char* machineLine;
        const char* userLine;
    } cases[] = {
        {"", "invalid custom action key parameter in ''", "invalid input parameter in ''"},
        {"SOFTWARE\\Vendor\\Tool",
         "invalid custom action key parameter in 'SOFTWARE\\Vendor\\Tool'",
         "invalid input parameter in 'SOFTWARE\\Vendor\\Tool'"},
        {"SOFTWARE\\Vendor\\Tool;Level",
         "invalid custom action value parameter in 'SOFTWARE\\Vendor\\Tool;Level'",
         "invalid value parameter in 'SOFTWARE\\Vendor\\Tool;Level'"},
        {"SOFTWARE\\Vendor\\Tool;Level;5",
         "invalid custom action data parameter in 'SOFTWARE\\Vendor\\Tool;Level;5'",
         "invalid data parameter in 'SOFTWARE\\Vendor\\Tool;Level;5'"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(setMachine(c.command), 1603u) << c.command;
        auto work = workEntries();
        ASSERT_GE(work.size(), 2u);
        EXPECT_EQ(work[1], std::string("ERROR: setHKLMregDW: ") + c.machineLine + "; must abort");
        EXPECT_EQ(work[2],
                  "INFO: CMSIException (in-source text) 1=1, 2='Error managing registry "
                  "data.', 3='.\\regsav', 4='735'");
        EXPECT_EQ(exitEntry(),
                  "INFO: ----->> QX_SetHKLMRegDW Exit via exception, returning "
                  "ERROR_INSTALL_FAILURE (0x643) <<-----");
        EXPECT_EQ(InfoTexts(*last),
                  std::vector<std::string>{"QXECA: ----->> QX_SetHKLMRegDW Exit via exception, "
                                           "returning ERROR_INSTALL_FAILURE (0x643) <<-----\n"});
        auto shown = last->messagesOfKind(kInstallMessageError);
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, "\r\nError: Error managing registry data.");

        EXPECT_EQ(setUser(c.command), 0u) << c.command;
        EXPECT_EQ(workEntries(),
                  (std::vector<std::string>{
                      std::string("INFO: QX_SetImmHKUSIDRegDW: QX_REG_DATA = '") + c.command + "'",
                      std::string("ERROR: get3parm: ") + c.userLine + "; must abort",
                  }));
        EXPECT_TRUE(InfoTexts(*last).empty());
    }
    EXPECT_FALSE(machine.registry.keyExists(kTool));
    EXPECT_FALSE(machine.registry.keyExists(userHive + "\\SOFTWARE\\Vendor\\Tool"));
}

TEST_F(RegistrySetTest, RefusedKeysAndWritesAreErrors) {
    machine.registry.denyWrites(kTool);
    machine.registry.denyWrites(userHive + "\\SOFTWARE\\Vendor\\Tool");
    EXPECT_EQ(setMachine("SOFTWARE\\Vendor\\Tool;Level;5;"), 1603u);
    EXPECT_EQ(workEntries()[2],
              "ERROR: setHKLMregDW: RegCreateKeyEx failed for 'SOFTWARE\\Vendor\\Tool', rc=0x5");
    EXPECT_EQ(setUser("SOFTWARE\\Vendor\\Tool;Level;5;"), 0u);
    EXPECT_EQ(workEntries().back(), "ERROR: setHKUSIDregDW: RegCreateKeyEx failed for '" +
                                        machine.registry.currentUserSid() +
                                        "\\SOFTWARE\\Vendor\\Tool', rc=0x5");

    machine.journal.failNth("RegSetValueEx", 1, kErrorAccessDenied);
    EXPECT_EQ(setMachine("SOFTWARE\\Vendor\\Other;Level;5;"), 1603u);
    EXPECT_EQ(workEntries()[2],
              "ERROR: setHKLMregDW: RegSetValueEx failed for value 'Level' in key "
              "'SOFTWARE\\Vendor\\Other', rc=0x5");
    machine.journal.failNth("RegSetValueEx", 1, kErrorAccessDenied);
    EXPECT_EQ(setUser("SOFTWARE\\Vendor\\Other;Level;5;"), 0u);
    EXPECT_EQ(workEntries().back(),
              "ERROR: setHKUSIDregDW: RegSetValueEx failed for value 'Level' "
              "in key '" +
                  machine.registry.currentUserSid() + "\\SOFTWARE\\Vendor\\Other', rc=0x5");
    EXPECT_EQ(machine.registry.openKeyCount(), 0u);
}

TEST_F(RegistrySetTest, UnreadableUserSidEndsTheUserActionWith1603) {
    auto& immediate = newSession(sim::RunKind::Immediate);
    immediate.properties["QX_REG_DATA"] = "SOFTWARE\\Vendor\\Tool;Level;5;";
    machine.journal.failNth("MsiGetProperty", 2, kErrorInvalidHandle);
    EXPECT_EQ(QX_SetImmHKUSIDRegDW(qxeca, immediate.handle), 1603u);
    EXPECT_EQ(
        InfoTexts(immediate),
        std::vector<std::string>{"QXECA: ----->> QX_SetImmHKUSIDRegDW exception exit <<-----\n"});
    EXPECT_EQ(exitEntry(), "INFO: ----->> QX_SetImmHKUSIDRegDW exception exit <<-----");
}

TEST_F(RegistrySetTest, UnreadableCommandLeavesTheUserActionToTheExportGuard) {
    auto& immediate = newSession(sim::RunKind::Immediate);
    immediate.properties["QX_REG_DATA"] = std::string(512, 'x');  // beyond the reader's limit
    EXPECT_EQ(GuardExport(qxeca, "QX_SetImmHKUSIDRegDW", immediate.handle, QX_SetImmHKUSIDRegDW),
              1603u);
    auto entries = logEntries();
    EXPECT_EQ(entries[1], "INFO: ----->> QX_SetImmHKUSIDRegDW Starting <<-----");
    EXPECT_EQ(entries[2],
              "ERROR: MsiGetProperty 'QX_REG_DATA' failed, retcode='0xea' throwing exception");
    const std::string escaped =
        "----->> QX_SetImmHKUSIDRegDW unhandled exception (CMSIException "
        "kind 5), returning ERROR_INSTALL_FAILURE <<-----";
    EXPECT_EQ(exitEntry(), "ERROR: " + escaped);
    EXPECT_EQ(InfoTexts(immediate), std::vector<std::string>{"QXECA: " + escaped + "\n"});
    // No handler ran: nothing was shown to the user.
    EXPECT_TRUE(immediate.messagesOfKind(kInstallMessageError).empty());
    EXPECT_EQ(qxeca.log.open, 0);
    EXPECT_EQ(machine.installer.openRecordCount(), 0u);
}

TEST_F(RegistrySetTest, UntestedUserActionOnlySaysSoInEveryRunKind) {
    for (auto kind : {sim::RunKind::Immediate, sim::RunKind::Deferred, sim::RunKind::Rollback}) {
        clearLog();
        auto& s = scriptSession(kind, "SOFTWARE\\Vendor\\Tool;Level;5;");
        s.properties["QX_REG_DATA"] = "SOFTWARE\\Vendor\\Tool;Level;5;";
        machine.journal.clear();
        EXPECT_EQ(QX_SetDefHKUSIDRegDW(qxeca, s.handle), 0u);
        EXPECT_EQ(logEntries(),
                  (std::vector<std::string>{
                      "INFO: qxeca dll version 1.5.2.18338",
                      "INFO: ----->> QX_SetDefHKUSIDRegDW Starting <<-----",
                      "INFO: ----->> QX_SetDefHKUSIDRegDW HAS NOT BEEN TESTED -- EXITING <<-----",
                  }));
        EXPECT_EQ(machine.journal.count("MsiGetProperty"), 0u);
        EXPECT_EQ(machine.journal.count("RegCreateKeyEx"), 0u);
        EXPECT_TRUE(InfoTexts(s).empty());
    }
}

TEST(RegistrySet64, WritesTheNativeViewOnA64BitMachine) {
    sim::SimMachine m(kProcessorArchitectureAmd64);
    Library library(m.platform(), kQxeca);
    auto& deferred = m.installer.openSession(sim::RunKind::Deferred);
    deferred.properties["CustomActionData"] = "SOFTWARE\\Vendor\\Tool;Level;5;";
    EXPECT_EQ(QX_SetHKLMRegDW(library, deferred.handle), 0u);
    EXPECT_EQ(m.registry.dword(kTool, "Level"), 5u);
    EXPECT_FALSE(m.registry.keyExists("HKLM\\SOFTWARE\\Wow6432Node\\Vendor\\Tool"));
    EXPECT_EQ(m.journal.calls("RegCreateKeyEx")[0].arguments,
              "HKLM\\SOFTWARE\\Vendor\\Tool access=0xf013f");

    auto& immediate = m.installer.openSession();
    immediate.properties["UserSID"] = m.registry.currentUserSid();
    immediate.properties["QX_REG_DATA"] = "SOFTWARE\\Vendor\\Tool;Level;6;";
    EXPECT_EQ(QX_SetImmHKUSIDRegDW(library, immediate.handle), 0u);
    EXPECT_EQ(m.journal.calls("RegCreateKeyEx")[1].arguments,
              "HKU\\" + m.registry.currentUserSid() + "\\SOFTWARE\\Vendor\\Tool access=0xf013f");
}

}  // namespace
}  // namespace qx::test
