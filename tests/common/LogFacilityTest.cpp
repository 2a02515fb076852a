#include <string>

#include "TestMachine.h"
#include "common/Log.h"
#include "common/LogLine.h"

namespace qx::test {
namespace {

class LogTest : public MachineTest {
  protected:
    CLog& log() { return qxeca.log; }
    void openLog() { QxecaLogInit(log(), "qxeca"); }
};

TEST_F(LogTest, LinesHaveTheFileLayoutWithCrLf) {
    openLog();
    LogMessage(log(), SEV_INFO, "----->> %s Starting <<-----", "QXLogConfig");
    EXPECT_EQ(logFile(),
              "06/11/11 06:59:25:    qxeca:    INFO: qxeca dll version 1.5.2.18338\r\n"
              "06/11/11 06:59:25:    qxeca:    INFO: ----->> QXLogConfig Starting <<-----\r\n");
}

TEST(LogTimestamp, IsMonthDayYearOnThe24HourClock) {
    struct Case {
        CalendarTime time;
        const char* expected;
    } cases[] = {
        {{2011, 6, 11, 6, 59, 25}, "06/11/11 06:59:25: "},
        {{2000, 1, 2, 0, 0, 0}, "01/02/00 00:00:00: "},
        {{2026, 12, 31, 23, 5, 9}, "12/31/26 23:05:09: "},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LogTimestamp(c.time), c.expected);
    }
}

TEST_F(LogTest, TimestampIsLocalTime) {
    machine.clock.utcOffsetMinutes = 17 * 60;  // 06:59 UTC is 23:59 local
    openLog();
    EXPECT_EQ(logFile().substr(0, 19), "06/11/11 23:59:25: ");
}

TEST_F(LogTest, SeveritiesChooseLabelAndDestination) {
    struct Case {
        uint32_t severity;
        const char* fileEntry;  // nullptr: nothing reaches the file
        const char* debugText;
    } cases[] = {
        {SEV_INFO, "INFO: text", "INFO:text\n"},
        {SEV_WARNING, "WARNING: text", "WARNING:text\n"},
        {SEV_ERROR, "ERROR: text", "ERROR:text\n"},
        {SEV_CRITICAL, "CRITICAL: text", "CRITICAL:text\n"},
        {SEV_DEBUG, nullptr, "DEBUG:text\n"},
        {0, "INFO: text",
         "WARNING: LogMessage NO severity provided, defaulting to SEV_INFO\nINFO:text\n"},
        {3, nullptr, "ERROR: unknown MsgType 3\n"},
        {SEV_POPUP, "POPUP: text", "POPUP:text\n"},
    };
    openLog();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.severity);
        size_t entriesBefore = logEntries().size();
        machine.system.debugOutput.clear();
        LogMessage(log(), c.severity, "%s", "text");
        auto entries = logEntries();
        if (c.fileEntry) {
            ASSERT_EQ(entries.size(), entriesBefore + 1);
            EXPECT_EQ(entries.back(), c.fileEntry);
        } else {
            EXPECT_EQ(entries.size(), entriesBefore);
        }
        EXPECT_EQ(debugText(), c.debugText);
    }
    // qxeca's popup style is -1: a POPUP line never shows a message box.
    EXPECT_TRUE(machine.system.messageBoxes.empty());
}

TEST_F(LogTest, PopupLineShowsAMessageBoxWhenTheLogHasAStyle) {
    QxLogInit(log(), "qxeca.log", "C:\\WINDOWS\\temp", 500, LOG_MASTER, 0, "setup");
    LogMessage(log(), SEV_POPUP, "%s", "look here");
    ASSERT_EQ(machine.system.messageBoxes.size(), 1u);
    EXPECT_EQ(machine.system.messageBoxes[0].text, "look here");
    EXPECT_EQ(machine.system.messageBoxes[0].caption, "setup");
    EXPECT_EQ(machine.system.messageBoxes[0].style, 0x10030u);
    EXPECT_EQ(logEntries().back(), "POPUP: look here");
}

TEST_F(LogTest, ComponentAndLabelAreCutOrPaddedToEightColumns) {
    QxLogInit(log(), "qxeca.log", "C:\\WINDOWS\\temp", 500, LOG_MASTER, -1, "averylongcomponent");
    LogMessage(log(), SEV_CRITICAL, "%s", "a");
    LogMessage(log(), SEV_INFO, "%s", "b");
    QxLogInit(log(), "qxeca.log", "C:\\WINDOWS\\temp", 500, LOG_MASTER, -1, "ab");
    LogMessage(log(), SEV_ERROR, "%s", "c");
    std::string file = logFile();
    EXPECT_NE(file.find(": averylon:CRITICAL: a\r\n"), std::string::npos) << file;
    EXPECT_NE(file.find(": averylon:    INFO: b\r\n"), std::string::npos) << file;
    EXPECT_NE(file.find(":       ab:   ERROR: c\r\n"), std::string::npos) << file;
}

TEST_F(LogTest, LongLinesAreCutAt1023CharactersWithoutLineEnd) {
    openLog();
    std::string before = logFile();
    LogMessage(log(), SEV_INFO, "%s", std::string(2000, 'x').c_str());
    LogMessage(log(), SEV_INFO, "%s", "next");
    std::string added = logFile().substr(before.size());
    ASSERT_GE(added.size(), 1023u);
    EXPECT_EQ(added.substr(0, 1023).find('\r'), std::string::npos);
    EXPECT_EQ(added.substr(1023, 19), "06/11/11 06:59:25: ");
    EXPECT_EQ(added.substr(1023 + 19), "   qxeca:    INFO: next\r\n");
    // The debug-string output carries at most 519 characters of it.
    EXPECT_EQ(machine.system.debugOutput[machine.system.debugOutput.size() - 2].size(), 519u);
}

TEST_F(LogTest, TextLineFeedsBecomeCrLfAndLeaveAnEmptyLine) {
    openLog();
    LogMessage(log(), SEV_INFO, "%s", "exit\n");
    auto entries = logEntries();
    ASSERT_GE(entries.size(), 2u);
    EXPECT_EQ(entries[entries.size() - 2], "INFO: exit");
    EXPECT_EQ(entries.back(), "");
}

TEST_F(LogTest, ClosedLogChangesNothingOnDisk) {
    openLog();
    CloseLog(log());
    std::string before = logFile();
    machine.system.debugOutput.clear();
    LogMessage(log(), SEV_ERROR, "%s", "lost");
    EXPECT_EQ(logFile(), before);
    EXPECT_EQ(
        debugText(),
        "WARNING: LogMessage instantiation of class failed, LOG FACILITY IS UNAVAILABLE !!\n");
}

TEST_F(LogTest, FullLogMovesToTheBackupAndTheLineStartsAFreshLog) {
    std::string old(600 * 1024, 'o');
    machine.files.writeFile(kLogPath, old);
    openLog();  // the version line is the first line that finds the log full
    EXPECT_EQ(machine.files.readFile("C:\\WINDOWS\\temp\\qxeca.backup.log"), old);
    EXPECT_EQ(logEntries(), std::vector<std::string>{"INFO: qxeca dll version 1.5.2.18338"});
    EXPECT_NE(debugText().find("LOG: Enforcing circular\nLOG: Copying "
                               "<C:\\WINDOWS\\temp\\qxeca.log> to "
                               "<C:\\WINDOWS\\temp\\qxeca.backup.log>\n"),
              std::string::npos)
        << debugText();
}

TEST_F(LogTest, LogBelowTheLimitIsNotRotated) {
    machine.files.writeFile(kLogPath, std::string(500 * 1024 - 1, 'o'));
    openLog();
    EXPECT_FALSE(machine.files.exists("C:\\WINDOWS\\temp\\qxeca.backup.log"));
    EXPECT_EQ(logFile().size(), 500 * 1024 - 1 + 69u);
}

TEST_F(LogTest, BackupNameIsBuiltAtTheFirstDotOfThePath) {
    machine.system.windowsDirectory = "C:\\WIN.NT";
    machine.files.makeDirectories("C:\\WIN.NT\\temp");
    machine.files.makeDirectories("C:\\WIN.backup.NT\\temp");
    machine.files.writeFile("C:\\WIN.NT\\temp\\qxeca.log", std::string(512 * 1024, 'o'));
    openLog();
    EXPECT_EQ(machine.files.readFile("C:\\WIN.backup.NT\\temp\\qxeca.log")->size(), 512 * 1024u);
    EXPECT_FALSE(machine.files.exists("C:\\WIN.NT\\temp\\qxeca.backup.log"));
}

TEST_F(LogTest, FailedBackupStillEmptiesTheLog) {
    machine.system.windowsDirectory = "C:\\WIN.NT";
    machine.files.makeDirectories("C:\\WIN.NT\\temp");
    machine.files.writeFile("C:\\WIN.NT\\temp\\qxeca.log", std::string(512 * 1024, 'o'));
    openLog();  // C:\WIN.backup.NT does not exist
    EXPECT_NE(debugText().find("ERROR: CopyLogFile create <C:\\WIN.backup.NT\\temp\\qxeca.log> "
                               "failed rc=2\nERROR: backup failed; old log will be lost\n"),
              std::string::npos)
        << debugText();
    EXPECT_EQ(machine.files.readFile("C:\\WIN.NT\\temp\\qxeca.log")->size(), 69u);
}

TEST_F(LogTest, MissingTempFolderIsCreated) {
    machine.files.remove("C:\\WINDOWS\\temp");
    openLog();
    EXPECT_EQ(log().open, 1);
    EXPECT_TRUE(machine.files.isDirectory("C:\\WINDOWS\\temp"));
    EXPECT_EQ(logEntries(), std::vector<std::string>{"INFO: qxeca dll version 1.5.2.18338"});
    auto creations = machine.journal.calls("CreateDirectory");
    ASSERT_EQ(creations.size(), 2u);  // never the drive itself
    EXPECT_EQ(creations[0].arguments, "C:\\WINDOWS");
    EXPECT_EQ(creations[1].arguments, "C:\\WINDOWS\\temp");
    EXPECT_NE(debugText().find("LOG: MakeDirectory, FindFirstFile got attribs 0x10"
                               "LOG: MakeDirectory, Directory exists ok"),
              std::string::npos);
}

TEST_F(LogTest, InitialisationFailuresLeaveTheLogClosedWithTheirNote) {
    struct Case {
        const char* name;
        std::function<void(sim::SimMachine&)> arrange;
        const char* note;
    } cases[] = {
        {"no Windows directory",
         [](sim::SimMachine& m) { m.journal.failNth("GetWindowsDirectory", 1, 5); },
         "Exiting... Can't get Windows directory\nERROR: could not get path for logfile "
         "(path = '', component='qxeca')\n"},
        {"temp folder cannot be made",
         [](sim::SimMachine& m) {
             m.files.remove("C:\\WINDOWS\\temp");
             m.journal.failNth("CreateDirectory", 2, 5);
         },
         "LOG: MakeDirectory, something wrong"
         "ERROR: QxLogInit, Master failed to open/create path C:\\WINDOWS\\temp\n"},
        {"log cannot be opened", [](sim::SimMachine& m) { m.journal.failNth("_open", 1, 13); },
         "ERROR: OpenLogFile (mode LOG_MASTER) _open failed, errno 0xd\n"
         "ERROR: QxLogInit, Master failed to open log, must abort log init\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim::SimMachine fresh;
        Library library(fresh.platform(), kQxeca);
        c.arrange(fresh);
        QxecaLogInit(library.log, "qxeca");
        EXPECT_EQ(library.log.open, 0);
        std::string debug = fresh.system.debugText();
        EXPECT_NE(debug.find(c.note), std::string::npos) << debug;
        // The version line reaches only the debug-string output.
        EXPECT_NE(debug.find("WARNING: LogMessage instantiation of class failed"),
                  std::string::npos);
        EXPECT_FALSE(fresh.files.exists(kLogPath));
    }
}

TEST_F(LogTest, InitArgumentChecksLeaveTheObjectUntouched) {
    openLog();
    struct Case {
        const char* file;
        const char* directory;
        uint32_t size;
        const char* note;
    } cases[] = {
        {"", "C:\\x", 10, "ERROR: QxLogInit, no filename\n"},
        {nullptr, "C:\\x", 10, "ERROR: QxLogInit, no filename\n"},
        {"a.log", "", 10, "ERROR: QxLogInit, no path\n"},
        {"a.log", "C:\\x", 0, "ERROR: QxLogInit, LOG_MASTER must specify file size\n"},
    };
    for (const auto& c : cases) {
        machine.system.debugOutput.clear();
        QxLogInit(log(), c.file, c.directory, c.size, LOG_MASTER, -1, "other");
        EXPECT_EQ(debugText(), c.note);
        EXPECT_EQ(log().open, 1);
        EXPECT_EQ(log().filePath, kLogPath);
        EXPECT_EQ(log().component, "qxeca");
    }
}

TEST_F(LogTest, SlaveOnlyWritesToAnExistingFile) {
    QxLogInit(log(), "slave.log", "C:\\WINDOWS\\temp", 0, LOG_SLAVE, -1, "qxeca");
    EXPECT_EQ(log().open, 1);
    EXPECT_EQ(log().sizeLimit, 0u);
    EXPECT_EQ(machine.journal.count("_open"), 0u);
    LogMessage(log(), SEV_INFO, "%s", "lost");
    EXPECT_NE(debugText().find("ERROR: OpenLogFile (mode mode LOG_SLAVE) _open failed, errno 0x2\n"
                               "ERROR: Failed to open log, try next msg in buf\n"),
              std::string::npos);
    machine.files.writeFile("C:\\WINDOWS\\temp\\slave.log", "");
    LogMessage(log(), SEV_INFO, "%s", "kept");
    EXPECT_NE(machine.files.readFile("C:\\WINDOWS\\temp\\slave.log")->find("INFO: kept\r\n"),
              std::string::npos);
}

TEST_F(LogTest, UnsupportedModeOpensNothing) {
    openLog();
    log().mode = 2;
    CrtFile file(machine.platform());
    EXPECT_FALSE(OpenLogFile(log(), file));
    EXPECT_NE(debugText().find("ERROR: OpenLogFile -- mode 2 not supported\n"), std::string::npos);
}

TEST_F(LogTest, WriteFailuresLoseOnlyTheirLine) {
    struct Case {
        const char* operation;
        int nth;  // counted from the line's LogMessage
        const char* note;
        bool lineWritten;
    } cases[] = {
        {"_open", 1, "ERROR: _open failed rc=13\n", true},
        {"_open", 2,
         "ERROR: OpenLogFile (mode LOG_MASTER) _open failed, errno 0xd\n"
         "ERROR: Failed to open log, try next msg in buf\n",
         false},
        {"_lseek", 1, "ERROR: Failed to move File ptr rc=13\n", false},
        {"_lseek", 2, "ERROR: Failed to move File ptr for unlock rc=13\n", true},
        {"_unlocking", 1, "ERROR: Failed to unlock Log file rc=13\n", true},
        {"_filelength", 1, "ERROR: _filelength failed rc=13\n", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.operation) + " #" + std::to_string(c.nth));
        sim::SimMachine fresh;
        Library library(fresh.platform(), kQxeca);
        QxecaLogInit(library.log, "qxeca");
        fresh.system.debugOutput.clear();
        fresh.journal.failNth(c.operation, c.nth, 13);
        LogMessage(library.log, SEV_INFO, "%s", "the line");
        std::string file = fresh.files.readFile(kLogPath).value_or("");
        EXPECT_EQ(file.find("INFO: the line\r\n") != std::string::npos, c.lineWritten) << file;
        EXPECT_NE(fresh.system.debugText().find(c.note), std::string::npos)
            << fresh.system.debugText();
        EXPECT_EQ(fresh.files.openDescriptorCount(), 0u);
    }
}

TEST_F(LogTest, WriterWaitsForALockHeldByAnotherProcess) {
    openLog();
    long end = static_cast<long>(logFile().size());
    int64_t start = machine.clock.utcMilliseconds;
    machine.files.lockByOtherProcess(kLogPath, end, 100, start + 2500);
    LogMessage(log(), SEV_INFO, "%s", "after the wait");
    EXPECT_EQ(logEntries().back(), "INFO: after the wait");
    EXPECT_EQ(machine.clock.utcMilliseconds - start, 3000);  // three one-second pauses
}

TEST_F(LogTest, LockThatNeverComesLosesTheLineAfterTenAttempts) {
    openLog();
    std::string before = logFile();
    machine.files.lockByOtherProcess(kLogPath, 0, 1 << 30);
    int64_t start = machine.clock.utcMilliseconds;
    machine.system.debugOutput.clear();
    machine.journal.clear();
    LogMessage(log(), SEV_INFO, "%s", "never written");
    EXPECT_EQ(logFile(), before);
    EXPECT_EQ(machine.journal.count("_locking"), 10u);
    EXPECT_EQ(machine.clock.utcMilliseconds - start, 9000);
    EXPECT_NE(debugText().find("ERROR: Failed to lock 53 bytes rc=13\n"), std::string::npos)
        << debugText();
}

TEST_F(LogTest, WriterThatWaitedAppendsAfterTheLineOfTheWriterItWaitedFor) {
    // Two processes: both find the same end; the other one locks and writes first.
    openLog();
    Library otherProcess(machine.platform(), kQxeca);
    QxecaLogInit(otherProcess.log, "qxeca");
    machine.files.beforeNextLockAttempt(kLogPath, [&] {
        LogMessage(otherProcess.log, SEV_INFO, "%s", "line of the other process");
    });
    LogMessage(log(), SEV_INFO, "%s", "line of this process");
    EXPECT_EQ(logEntries(), (std::vector<std::string>{
                                "INFO: qxeca dll version 1.5.2.18338",
                                "INFO: qxeca dll version 1.5.2.18338",
                                "INFO: line of the other process",
                                "INFO: line of this process",
                            }));
}

TEST_F(LogTest, WriterThatNeverFindsTheEndSettledGivesUpItsLine) {
    openLog();
    // Another process appends a line every time this writer is granted its lock.
    std::function<void()> appendAgain = [&] {
        machine.files.writeFile(kLogPath, logFile() + "other\r\n");
        machine.files.beforeNextLockAttempt(kLogPath, appendAgain);
    };
    machine.files.beforeNextLockAttempt(kLogPath, appendAgain);
    machine.system.debugOutput.clear();
    LogMessage(log(), SEV_INFO, "%s", "never settles");
    machine.files.beforeNextLockAttempt(kLogPath, [] {});
    std::string file = logFile();
    EXPECT_EQ(file.find("never settles"), std::string::npos);
    EXPECT_EQ(file.find("qxeca dll version 1.5.2.18338\r\nother\r\nother\r\n"), 38u);
    EXPECT_NE(debugText().find("ERROR: Failed to lock 53 bytes"), std::string::npos) << debugText();
}

}  // namespace
}  // namespace qx::test
