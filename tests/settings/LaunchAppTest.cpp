#include "SettingsTest.h"
#include "qxeca/settings/LaunchApp.h"

namespace qx::test {
namespace {

const std::string kRunOnce = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const std::string kApp = "C:\\Program Files\\Vendor\\app.exe";
const std::string kCommand = "\"" + kApp + "\" /first run";

class LaunchAppTest : public SettingsTest {
  protected:
    explicit LaunchAppTest(uint16_t architecture = kProcessorArchitectureIntel)
        : SettingsTest(architecture) {
        machine.processes.addProgram(kApp);
        machine.installer.setErrorText(27857, "Cannot start [2].");
        // 09:05:12.345 UTC: RunOnce names are made of UTC, not of the local time.
        machine.clock.utcOffsetMinutes = 120;
        machine.clock.setLocalTime({2011, 3, 7, 11, 5, 12, 345});
    }
    uint32_t launch(const std::string& command, bool rebootPending = false) {
        clearLog();
        session.properties["QXI_LAUNCHCMD"] = command;
        if (rebootPending) {
            session.modes.insert(kRunModeRebootAtEnd);
        } else {
            session.modes.erase(kRunModeRebootAtEnd);
        }
        return QXLaunchApp(qxeca, session.handle);
    }
};

TEST_F(LaunchAppTest, StartsTheCommandInANewConsoleAndDoesNotWait) {
    EXPECT_EQ(launch(kCommand), 0u);
    ASSERT_EQ(machine.processes.started().size(), 1u);
    const auto& started = machine.processes.started()[0];
    EXPECT_EQ(started.commandLine, kCommand);
    EXPECT_EQ(started.creationFlags, kCreateNewConsole);
    EXPECT_FALSE(started.redirectionDisabled);
    EXPECT_EQ(machine.openHandleCount(), 0u);
    EXPECT_EQ(logEntries(), (std::vector<std::string>{
                                "INFO: qxeca dll version 1.5.2.18338",
                                "INFO: ----->> QXLaunchApp Starting... <<-----",
                                "INFO: QXLaunchApp got filename '" + kCommand + "'",
                                "INFO: QXLaunchApp got file '" + kCommand + "' ",
                                "INFO: QXLaunchApp: no reboot scheduled",
                                "INFO: QXLaunchApp CreateProcess ok for '" + kCommand + "'",
                                "INFO: ----->> QXLaunchApp Exiting... <<-----",
                                "",
                            }));
    EXPECT_TRUE(InfoTexts(session).empty());
    EXPECT_FALSE(machine.registry.keyExists(kRunOnce));
}

TEST_F(LaunchAppTest, PendingRebootDefersTheCommandToTheNextLogon) {
    EXPECT_EQ(launch(kCommand, true), 0u);
    EXPECT_TRUE(machine.processes.started().empty());
    auto value = machine.registry.value(kRunOnce, "qxapp_20110307090512345041");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->type, kRegExpandSz);
    std::vector<uint8_t> data(kCommand.begin(), kCommand.end());
    data.push_back(0);  // the terminating null is part of the data
    EXPECT_EQ(value->data, data);
    EXPECT_EQ(workEntries(),
              (std::vector<std::string>{
                  "INFO: QXLaunchApp got filename '" + kCommand + "'",
                  "INFO: QXLaunchApp got file '" + kCommand + "' ",
                  "INFO: QXLaunchApp: runmode reboot is pending",
                  "INFO: value 'qxapp_20110307090512345041' set '" + kCommand + "' in HKCU RunOnce",
              }));
    EXPECT_EQ(exitEntry(), "INFO: ----->> QXLaunchApp Exiting... <<-----");

    // The generator is never seeded: the next launch of the same library takes its next number.
    machine.clock.advance(1);
    EXPECT_EQ(launch("second.exe", true), 0u);
    EXPECT_EQ(machine.registry.string(kRunOnce, "qxapp_2011030709051234618467"), "second.exe");
    EXPECT_EQ(machine.registry.openKeyCount(), 0u);
}

TEST_F(LaunchAppTest, RunOnceFailuresAreEchoedAndNothingStarts) {
    struct Case {
        std::function<void()> arrange;
        const char* call;
    } cases[] = {
        {[&] { machine.registry.denyWrites(kRunOnce); }, "RegCreateKeyEx"},
        {[&] {
             machine.registry.deleteKey(kRunOnce);
             machine.journal.failNth("RegSetValueEx", 1, kErrorAccessDenied);
         },
         "RegSetValueEx"},
    };
    for (const auto& c : cases) {
        session.messages.clear();
        c.arrange();
        EXPECT_EQ(launch("tool.exe /x", true), 0u);
        const std::string line = std::string("QXLaunchApp: ") + c.call +
                                 " unable to set value 'tool.exe /x' as 'tool.exe /x' in HKCU "
                                 "RunOnce";
        EXPECT_EQ(workEntries().back(), "INFO: " + line);
        EXPECT_EQ(InfoTexts(session), std::vector<std::string>{"QXECA: " + line});
        EXPECT_EQ(exitEntry(), "INFO: ----->> QXLaunchApp Exiting... <<-----");
        EXPECT_TRUE(machine.registry.values(kRunOnce).empty());
    }
    EXPECT_TRUE(machine.processes.started().empty());
    EXPECT_EQ(machine.openHandleCount(), 0u);
}

TEST_F(LaunchAppTest, ProgramThatCannotStartIsError27857AndResultZero) {
    for (const char* command : {"C:\\missing\\nothing.exe -q", "QXBLANK"}) {
        session.messages.clear();
        EXPECT_EQ(launch(command), 0u);
        auto shown = session.messagesOfKind(kInstallMessageError);
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].fields.at(1), sim::RecordField(27857));
        EXPECT_EQ(shown[0].text, std::string("Cannot start ") + command + ".");
        auto work = workEntries();
        EXPECT_EQ(std::vector<std::string>(work.end() - 2, work.end()),
                  (std::vector<std::string>{
                      "INFO: CMSIException::ConvertErrorCodeToString ErrCd='0x2' returning 'The "
                      "system cannot find the file specified.'",
                      std::string("INFO: QXLaunchApp CreateProcess error=0x2 (The system cannot "
                                  "find the file specified.), throwing exception"),
                  }));
        EXPECT_EQ(exitEntry(), "INFO: ----->> QXLaunchApp exception Exit... <<-----");
        EXPECT_TRUE(InfoTexts(session).empty());
        EXPECT_EQ(machine.installer.openRecordCount(), 0u);
    }
}

TEST_F(LaunchAppTest, PlaceholderOrEmptyCommandLaunchesNothing) {
    for (const char* command : {"qxblank", ""}) {
        EXPECT_EQ(launch(command, true), 0u);
        EXPECT_EQ(workEntries(),
                  (std::vector<std::string>{
                      std::string("INFO: QXLaunchApp got filename '") + command + "'",
                      std::string("INFO: QXLaunchApp got filename '") + command + "', will exit",
                  }));
    }
    EXPECT_TRUE(machine.processes.started().empty());
    EXPECT_FALSE(machine.registry.keyExists(kRunOnce));
}

TEST_F(LaunchAppTest, UnreadableCommandEndsWithTheExceptionExitAndResultZero) {
    session.properties["QXI_LAUNCHCMD"] = std::string(600, 'x');
    EXPECT_EQ(QXLaunchApp(qxeca, session.handle), 0u);
    EXPECT_EQ(exitEntry(), "INFO: ----->> QXLaunchApp exception Exit... <<-----");
    EXPECT_TRUE(machine.processes.started().empty());
}

class LaunchApp64Test : public LaunchAppTest {
  protected:
    LaunchApp64Test() : LaunchAppTest(kProcessorArchitectureAmd64) {}
};

TEST_F(LaunchApp64Test, StartsWithRedirectionOffAndTurnsItBackOn) {
    EXPECT_EQ(launch(kCommand), 0u);
    ASSERT_EQ(machine.processes.started().size(), 1u);
    EXPECT_TRUE(machine.processes.started()[0].redirectionDisabled);
    EXPECT_FALSE(machine.system.fsRedirectionDisabled);
    EXPECT_EQ(workEntries(), (std::vector<std::string>{
                                 "INFO: QXLaunchApp got filename '" + kCommand + "'",
                                 "INFO: QXLaunchApp got file '" + kCommand + "' ",
                                 "INFO: running on 64-bit Windows, disabling WoW64Redirection",
                                 "INFO: calling Wow64DisableWow64FsRedirection",
                                 "INFO: QXLaunchApp: no reboot scheduled",
                                 "INFO: calling Wow64RevertWow64FsRedirection",
                                 "INFO: Wow64 restored to prev state after CreateProcess",
                                 "INFO: QXLaunchApp CreateProcess ok for '" + kCommand + "'",
                             }));
    EXPECT_EQ(machine.journal.calls("Wow64RevertWow64FsRedirection")[0].arguments, "1");
}

TEST_F(LaunchApp64Test, DeferredLaunchUsesTheNativeViewAndRestoresRedirection) {
    EXPECT_EQ(launch(kCommand, true), 0u);
    EXPECT_FALSE(machine.system.fsRedirectionDisabled);
    EXPECT_EQ(machine.journal.calls("RegCreateKeyEx")[0].arguments,
              "HKU\\" + machine.registry.currentUserSid() +
                  "\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce access=0xf013f");
    EXPECT_EQ(workEntries().back(), "INFO: calling Wow64RevertWow64FsRedirection");
    EXPECT_EQ(machine.registry.values(kRunOnce).size(), 1u);
}

TEST_F(LaunchApp64Test, FailedStartStillTurnsRedirectionBackOn) {
    EXPECT_EQ(launch("C:\\missing\\nothing.exe"), 0u);
    EXPECT_FALSE(machine.system.fsRedirectionDisabled);
    EXPECT_EQ(session.messagesOfKind(kInstallMessageError).size(), 1u);
}

}  // namespace
}  // namespace qx::test
