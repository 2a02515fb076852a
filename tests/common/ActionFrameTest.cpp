#include <stdexcept>

#include "TestMachine.h"
#include "common/ActionFrame.h"
#include "common/ExportGuard.h"
#include "common/InstallerLog.h"
#include "common/MsiException.h"

namespace qx::test {
namespace {

ActionFrame FrameWith(DebugRead debugRead, Handler onMsiException, Handler onOther) {
    return {.name = "TestAction",
            .startLine = "----->> %s Starting... <<-----",
            .debugRead = debugRead,
            .normalExit = {"----->> %s normal exit <<-----\n", true},
            .exceptionExit = {"----->> %s exception exit <<-----\n", true},
            .onMsiException = onMsiException,
            .onOtherException = onOther};
}

class FrameTest : public MachineTest {
  protected:
    uint32_t run(const ActionFrame& frame, const std::function<ActionEnd()>& work) {
        return RunAction(qxeca, session.handle, frame, work);
    }
};

TEST_F(FrameTest, DebugLevelIsTheLeadingDecimalNumber) {
    struct Case {
        const char* value;  // nullptr: no DEBUG property
        int level;
    } cases[] = {{nullptr, 0}, {"", 0},      {"2", 2},   {"12abc", 12},
                 {"abc", 0},   {"  -3", -3}, {"+7x", 7}, {"99999999999", 2147483647}};
    for (const auto& c : cases) {
        qxeca.debugLevel = 55;
        session.properties.erase("DEBUG");
        if (c.value) {
            session.properties["DEBUG"] = c.value;
        }
        ReadDebugLevel(qxeca, session.handle);
        EXPECT_EQ(qxeca.debugLevel, c.level) << (c.value ? c.value : "(missing)");
    }
}

TEST_F(FrameTest, NormalRunLogsStartAndExitAndEchoesTheExit) {
    auto frame = FrameWith(DebugRead::InsideRegion, Returns(1603), kNoHandler);
    session.properties["DEBUG"] = "1";
    std::vector<std::string> stackDuringWork;
    uint32_t result = run(frame, [&] {
        stackDuringWork = qxeca.functionNames;
        return 0u;
    });
    EXPECT_EQ(result, 0u);
    EXPECT_EQ(stackDuringWork, std::vector<std::string>{"TestAction"});
    EXPECT_TRUE(qxeca.functionNames.empty());
    EXPECT_EQ(qxeca.debugLevel, 1);
    EXPECT_EQ(qxeca.hInstall, session.handle);
    EXPECT_EQ(logEntries(), (std::vector<std::string>{
                                "INFO: qxeca dll version 1.5.2.18338",
                                "INFO: ----->> TestAction Starting... <<-----",
                                "INFO: ----->> TestAction normal exit <<-----",
                                "",
                            }));
    EXPECT_EQ(InfoTexts(session),
              std::vector<std::string>{"QXECA: ----->> TestAction normal exit <<-----\n"});
    EXPECT_EQ(qxeca.log.open, 0);
}

TEST_F(FrameTest, CaughtExceptionIsShownAndTurnedIntoTheHandlersResult) {
    struct Case {
        Handler handler;
        uint32_t expected;
    } cases[] = {{Returns(0), 0}, {Returns(1603), 1603}, {kReturnsExitCode, 1602}};
    for (const auto& c : cases) {
        session.messages.clear();
        machine.journal.clear();
        uint32_t result = run(FrameWith(DebugRead::None, c.handler, kNoHandler), [&]() -> uint32_t {
            throw CMSIException::InMsi(qxeca, kErrorInstallUserExit, 27856, "", "", "");
        });
        EXPECT_EQ(result, c.expected);
        auto errors = session.messagesOfKind(kInstallMessageError);
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_EQ(errors[0].fields[1], sim::RecordField(27856));
        EXPECT_EQ(InfoTexts(session),
                  std::vector<std::string>{"QXECA: ----->> TestAction exception exit <<-----\n"});
        // All handles are closed before the exception exit line goes out.
        auto& entries = machine.journal.entries();
        auto closeAll = std::find_if(entries.begin(), entries.end(), [](const auto& e) {
            return e.operation == "MsiCloseAllHandles";
        });
        auto lastMessage = std::find_if(entries.rbegin(), entries.rend(), [](const auto& e) {
            return e.operation == "MsiProcessMessage";
        });
        ASSERT_NE(closeAll, entries.end());
        EXPECT_LT(closeAll - entries.begin(), entries.rend() - lastMessage - 1);
        EXPECT_EQ(machine.installer.openRecordCount(), 0u);
        EXPECT_EQ(qxeca.log.open, 0);
    }
    EXPECT_EQ(logEntries()[logEntries().size() - 2],
              "INFO: ----->> TestAction exception exit <<-----");
}

TEST_F(FrameTest, ExceptionsWithoutAHandlerLeaveTheAction) {
    auto noHandlers = FrameWith(DebugRead::None, kNoHandler, kNoHandler);
    EXPECT_THROW(
        run(noHandlers,
            [&]() -> uint32_t { throw CMSIException::InSource(qxeca, eCustomError, "x", "s", 1); }),
        CMSIException);
    EXPECT_THROW(run(noHandlers, []() -> uint32_t { throw std::runtime_error("boom"); }),
                 std::runtime_error);

    auto catchesAll = FrameWith(DebugRead::None, Returns(1603), Returns(1603));
    EXPECT_EQ(run(catchesAll, []() -> uint32_t { throw std::runtime_error("boom"); }), 1603u);
    EXPECT_EQ(InfoTexts(session).back(), "QXECA: ----->> TestAction exception exit <<-----\n");
    EXPECT_TRUE(session.messagesOfKind(kInstallMessageError).empty());
}

TEST_F(FrameTest, ExitLinesCarryNameResultAndTheirSeverity) {
    auto frame = FrameWith(DebugRead::None, Returns(1603), kNoHandler);
    frame.normalExit = {"----->> %s normal exit rc=%d <<-----\n", false, SEV_ERROR};
    frame.exceptionExit = {"----->> %s Exit via exception, returning (%#x) <<-----\n", true};
    EXPECT_EQ(run(frame, [] { return ActionEnd(5); }), 5u);
    EXPECT_EQ(logEntries()[2], "ERROR: ----->> TestAction normal exit rc=5 <<-----");
    EXPECT_TRUE(InfoTexts(session).empty());

    EXPECT_EQ(run(frame, [] { return ActionEnd(1603, "----->> own words <<-----\n"); }), 1603u);
    EXPECT_EQ(logEntries()[6], "INFO: ----->> own words <<-----");

    run(frame,
        [&]() -> ActionEnd { throw CMSIException::InSource(qxeca, eCustomError, "x", "s", 1); });
    EXPECT_EQ(InfoTexts(session).back(),
              "QXECA: ----->> TestAction Exit via exception, returning (0x643) <<-----\n");
}

TEST_F(FrameTest, StartLinePropertyIsReadBeforeTheLogAndNamedInTheStartLine) {
    auto frame = FrameWith(DebugRead::None, kNoHandler, kNoHandler);
    frame.startLine = "----->> QXStopService (%s) starting <<-----";
    frame.startLineProperty = "CustomActionData";
    auto& deferred = newSession(sim::RunKind::Deferred);
    deferred.properties["CustomActionData"] = "Spooler";
    std::string handed;
    RunAction(qxeca, deferred.handle, frame, [&](const std::string& value) {
        handed = value;
        return ActionEnd();
    });
    EXPECT_EQ(handed, "Spooler");
    EXPECT_EQ(logEntries()[1], "INFO: ----->> QXStopService (Spooler) starting <<-----");

    // A failing read leaves the export before the log is opened.
    sim::SimMachine fresh;
    Library library(fresh.platform(), kQxeca);
    auto& s = fresh.installer.openSession(sim::RunKind::Deferred);
    fresh.journal.failNth("MsiGetProperty", 1, kErrorInvalidHandle);
    EXPECT_THROW(
        RunAction(library, s.handle, frame, [](const std::string&) { return ActionEnd(); }),
        CMSIException);
    EXPECT_FALSE(fresh.files.exists(kLogPath));
}

TEST_F(FrameTest, PropertyBeforeTheRegionIsReadAfterTheStartLineAndOutsideTheHandler) {
    auto frame = FrameWith(DebugRead::None, Returns(1603), Returns(1603));
    frame.propertyBeforeRegion = "QX_REG_DATA";
    session.properties["QX_REG_DATA"] = "a;b;1;";
    std::string handed;
    EXPECT_EQ(RunAction(qxeca, session.handle, frame,
                        [&](const std::string& value) {
                            handed = value;
                            return ActionEnd();
                        }),
              0u);
    EXPECT_EQ(handed, "a;b;1;");
    EXPECT_EQ(logEntries()[1], "INFO: ----->> TestAction Starting... <<-----");

    // A failing read is not the handler's: it leaves the action with the log still open.
    machine.files.remove(kLogPath);
    session.messages.clear();
    machine.journal.failNth("MsiGetProperty", 1, kErrorInvalidHandle);
    auto nothing = [](const std::string&) { return ActionEnd(); };
    EXPECT_THROW(RunAction(qxeca, session.handle, frame, nothing), CMSIException);
    auto entries = logEntries();
    EXPECT_EQ(entries[1], "INFO: ----->> TestAction Starting... <<-----");
    EXPECT_EQ(entries[2],
              "ERROR: MsiGetProperty 'QX_REG_DATA' failed, retcode='0x6' throwing exception");
    EXPECT_EQ(entries.back().find("INFO: ----->> TestAction"), std::string::npos);
    EXPECT_TRUE(session.messagesOfKind(kInstallMessageError).empty());
    CloseLog(qxeca.log);
}

TEST_F(FrameTest, DebugFailureInsideTheRegionIsHandled) {
    machine.journal.failNth("MsiGetProperty", 1, kErrorInvalidHandle);
    uint32_t result =
        run(FrameWith(DebugRead::InsideRegion, Returns(7), kNoHandler), [] { return 0u; });
    EXPECT_EQ(result, 7u);
    EXPECT_TRUE(qxeca.functionNames.empty());
}

TEST_F(FrameTest, DebugFailureBeforeTheLogLeavesTheExportBeforeAnythingIsLogged) {
    for (auto debugRead : {DebugRead::BeforeLog, DebugRead::DebugOnlyBeforeLog}) {
        sim::SimMachine fresh;
        Library library(fresh.platform(), kQxeca);
        auto& s = fresh.installer.openSession();
        fresh.journal.failNth("MsiGetProperty", 1, kErrorInvalidHandle);
        EXPECT_THROW(RunAction(library, s.handle, FrameWith(debugRead, Returns(0), Returns(0)),
                               [] { return 0u; }),
                     CMSIException);
        EXPECT_EQ(library.hInstall, 0u);
        EXPECT_FALSE(fresh.files.exists(kLogPath));
        EXPECT_NE(fresh.system.debugText().find("LOG FACILITY IS UNAVAILABLE"), std::string::npos);
        EXPECT_TRUE(library.functionNames.empty());
    }
}

TEST_F(FrameTest, NameIsPushedBeforeTheLogWhenTheFrameSaysSo) {
    std::vector<std::string> stack;
    run(FrameWith(DebugRead::BeforeLog, Returns(0), kNoHandler), [&] {
        stack = qxeca.functionNames;
        return 0u;
    });
    EXPECT_EQ(stack, std::vector<std::string>{"TestAction"});
    run(FrameWith(DebugRead::DebugOnlyBeforeLog, Returns(0), kNoHandler), [&] {
        stack = qxeca.functionNames;
        return 0u;
    });
    EXPECT_TRUE(stack.empty());
    EXPECT_TRUE(qxeca.functionNames.empty());
}

TEST_F(FrameTest, InstallerLogLinesOfBothFlavours) {
    qxeca.hInstall = session.handle;
    qxmsica.hInstall = session.handle;
    LogToMsi(qxeca, "line\n");
    LogToMsi(qxmsica, "plain");
    EXPECT_EQ(InfoTexts(session), (std::vector<std::string>{"QXECA: line\n", "plain"}));

    machine.journal.failNth("MsiCreateRecord", 1, kErrorNotEnoughMemory);
    EXPECT_NO_THROW(LogToMsi(qxeca, "lost"));
    machine.journal.failNth("MsiCreateRecord", 1, kErrorNotEnoughMemory);
    qxmsica.debugLevel = 1;
    try {
        LogToMsi(qxmsica, "lost");
        FAIL() << "no exception";
    } catch (const CMSIException& e) {
        EXPECT_EQ(e.GetKind(), eCreateRecordFail);
        e.ProcessError(session.handle);
        EXPECT_EQ(session.messages.back().text,
                  "util (line 46)\r\n\r\nError: Can't create MSI record");
        e.Delete();
    }
    // Nothing more than the error's own log message was added.
    EXPECT_EQ(session.messagesOfKind(kInstallMessageInfo).size(), 3u);
    EXPECT_EQ(machine.installer.openRecordCount(), 0u);
}

uint32_t ThrowsMsiError(Library& library, MsiHandle) {
    throw CMSIException::InSource(library, eMSIError, "gone", "src", 3);
}
uint32_t ThrowsStd(Library&, MsiHandle) {
    throw std::runtime_error("bad state");
}
uint32_t ThrowsInt(Library&, MsiHandle) {
    throw 42;
}
uint32_t LogsThenThrows(Library& library, MsiHandle session) {
    library.hInstall = session;
    QxecaLogInit(library.log, "qxeca");
    throw std::runtime_error("late");
}

TEST_F(FrameTest, ExportGuardTurnsAnEscapeIntoALoggedFailure) {
    struct Case {
        Action action;
        const char* line;
    } cases[] = {
        {ThrowsMsiError,
         "----->> QX_Test unhandled exception (CMSIException kind 5), returning "
         "ERROR_INSTALL_FAILURE <<-----\n"},
        {ThrowsStd,
         "----->> QX_Test unhandled exception (bad state), returning ERROR_INSTALL_FAILURE "
         "<<-----\n"},
        {ThrowsInt,
         "----->> QX_Test unhandled exception (unknown exception), returning "
         "ERROR_INSTALL_FAILURE <<-----\n"},
    };
    for (const auto& c : cases) {
        session.messages.clear();
        EXPECT_EQ(GuardExport(qxeca, "QX_Test", session.handle, c.action), 1603u);
        EXPECT_EQ(InfoTexts(session), std::vector<std::string>{std::string("QXECA: ") + c.line});
        EXPECT_EQ(machine.installer.openRecordCount(), 0u);
    }
    EXPECT_EQ(GuardExport(qxeca, "QX_Test", session.handle, LogsThenThrows), 1603u);
    auto entries = logEntries();
    EXPECT_EQ(entries[entries.size() - 2],
              "ERROR: ----->> QX_Test unhandled exception (late), returning "
              "ERROR_INSTALL_FAILURE <<-----");
    EXPECT_EQ(qxeca.log.open, 0);
}

TEST_F(FrameTest, ExportGuardSurvivesAnInstallerLogThatThrows) {
    machine.journal.failNth("MsiCreateRecord", 1, kErrorNotEnoughMemory);
    EXPECT_EQ(GuardExport(qxmsica, "QX_Test", session.handle, ThrowsStd), 1603u);
    EXPECT_TRUE(session.messages.empty());
    EXPECT_EQ(machine.installer.openRecordCount(), 0u);
}

}  // namespace
}  // namespace qx::test
