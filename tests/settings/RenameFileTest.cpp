#include "SettingsTest.h"
#include "qxeca/settings/RenameFile.h"

namespace qx::test {
namespace {

class RenameFileTest : public SettingsTest {
  protected:
    // A file last written at the given local time of a machine an hour east of UTC.
    void writeAt(const std::string& path, int day, int hour, int minute) {
        machine.clock.utcOffsetMinutes = 60;
        machine.files.writeFile(path, "data");
        machine.files.setLastWriteTime(
            path, sim::SimClock::fileTimeFromUtc({2011, 3, day, hour - 1, minute, 30, 500}));
    }
    uint32_t rename(const std::string& data) {
        clearLog();
        last = &scriptSession(sim::RunKind::Deferred, data);
        return QXRenameFile(qxeca, last->handle);
    }
    sim::SimSession* last = nullptr;
};

TEST_F(RenameFileTest, LocalTimeOfTheLastChangeGoesBeforeTheExtension) {
    writeAt("C:\\dir\\app.log", 7, 9, 5);
    EXPECT_EQ(rename("C:\\dir\\app.log"), 0u);
    EXPECT_FALSE(machine.files.exists("C:\\dir\\app.log"));
    EXPECT_EQ(machine.files.readFile("C:\\dir\\app_2011_03_07_0905.log"), "data");
    EXPECT_EQ(logEntries(), (std::vector<std::string>{
                                "INFO: qxeca dll version 1.5.2.18338",
                                "INFO: ----->> QX_Rename_File_Def Starting... <<-----",
                                "INFO: QX_Rename_File_Def got filename 'C:\\dir\\app.log'",
                                "INFO: QX_Rename_File_Def: renamed C:\\dir\\app.log as "
                                "C:\\dir\\app_2011_03_07_0905.log ",
                                "INFO: ----->> QX_Rename_File_Def Exiting... <<-----",
                                "",
                            }));
    EXPECT_TRUE(InfoTexts(*last).empty());
    EXPECT_EQ(machine.openHandleCount(), 0u);
}

TEST_F(RenameFileTest, SuffixGoesBeforeTheLastDotOfTheFileNameOnly) {
    struct Case {
        const char* path;
        const char* renamed;
    } cases[] = {
        {"C:\\dir.old\\readme", "C:\\dir.old\\readme_2011_03_07_0905"},
        {"C:\\dir\\archive.tar.gz", "C:\\dir\\archive.tar_2011_03_07_0905.gz"},
        {"C:\\dir\\.profile", "C:\\dir\\_2011_03_07_0905.profile"},
        {"C:\\dir\\trailing.", "C:\\dir\\trailing_2011_03_07_0905."},
    };
    for (const auto& c : cases) {
        writeAt(c.path, 7, 9, 5);
        EXPECT_EQ(rename(c.path), 0u);
        EXPECT_TRUE(machine.files.exists(c.renamed)) << c.renamed;
        EXPECT_FALSE(machine.files.exists(c.path)) << c.path;
    }
    EXPECT_EQ(TimeStampedPath("notes.txt", "_x"), "notes_x.txt");
    EXPECT_EQ(TimeStampedPath("notes", "_x"), "notes_x");
}

TEST_F(RenameFileTest, TimeIsTheLocalCalendarTime) {
    // 00:30 UTC on 7 March is still 6 March two hours west of UTC.
    machine.clock.utcOffsetMinutes = -120;
    machine.files.writeFile("C:\\dir\\app.log", "data");
    machine.files.setLastWriteTime("C:\\dir\\app.log",
                                   sim::SimClock::fileTimeFromUtc({2011, 3, 7, 0, 30, 0, 0}));
    EXPECT_EQ(rename("C:\\dir\\app.log"), 0u);
    EXPECT_TRUE(machine.files.exists("C:\\dir\\app_2011_03_06_2230.log"));
}

TEST_F(RenameFileTest, RefusalsAreLoggedAndTheFileKeepsItsName) {
    writeAt("C:\\dir\\busy.log", 7, 9, 5);
    machine.files.holdOpenByOtherProcess("C:\\dir\\busy.log");
    writeAt("C:\\dir\\app.log", 7, 9, 5);
    machine.files.writeFile("C:\\dir\\app_2011_03_07_0905.log", "older");
    struct Case {
        const char* data;
        std::string line;
    } cases[] = {
        {"qxblank", "QX_Rename_File_Def target filename is empty ('qxblank'), will exit"},
        {"", "QX_Rename_File_Def target filename is empty (''), will exit"},
        // Only the exact placeholder means "no file".
        {"QXBLANK", "QX_Rename_File_Def couldn't open file 'QXBLANK'"},
        {"C:\\dir\\busy.log", "QX_Rename_File_Def couldn't open file 'C:\\dir\\busy.log'"},
        {"C:\\dir\\missing.log", "QX_Rename_File_Def couldn't open file 'C:\\dir\\missing.log'"},
        {"C:\\dir\\app.log",
         "QX_Rename_File_Def: DID NOT RENAME 'C:\\dir\\app.log' as "
         "'C:\\dir\\app_2011_03_07_0905.log', rc=0xffffffff"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(rename(c.data), 0u);
        EXPECT_EQ(workEntries(),
                  (std::vector<std::string>{
                      std::string("INFO: QX_Rename_File_Def got filename '") + c.data + "'",
                      "INFO: " + c.line,
                  }));
        EXPECT_EQ(exitEntry(), "INFO: ----->> QX_Rename_File_Def Exiting... <<-----");
    }
    EXPECT_EQ(machine.files.readFile("C:\\dir\\app.log"), "data");
    EXPECT_EQ(machine.files.readFile("C:\\dir\\app_2011_03_07_0905.log"), "older");
    EXPECT_TRUE(machine.files.exists("C:\\dir\\busy.log"));
    EXPECT_EQ(machine.openHandleCount(), 0u);
}

TEST_F(RenameFileTest, FailedTimeCallsLeaveTheFileAlone) {
    struct Case {
        const char* failing;
        const char* line;
    } cases[] = {
        {"GetFileTime", "INFO: QX_Rename_File_Def GetFileTime failed"},
        {"FileTimeToLocalFileTime",
         "INFO: QX_Rename_File_Def cannot convert the time of 'C:\\dir\\app.log', will not rename"},
        {"FileTimeToSystemTime",
         "INFO: QX_Rename_File_Def cannot convert the time of 'C:\\dir\\app.log', will not rename"},
    };
    writeAt("C:\\dir\\app.log", 7, 9, 5);
    for (const auto& c : cases) {
        machine.journal.failNth(c.failing, 1, kErrorInvalidParameter);
        EXPECT_EQ(rename("C:\\dir\\app.log"), 0u);
        EXPECT_EQ(workEntries().back(), c.line);
        EXPECT_TRUE(machine.files.exists("C:\\dir\\app.log"));
        EXPECT_EQ(machine.openHandleCount(), 0u) << c.failing;
    }
}

TEST_F(RenameFileTest, UnreadableDataEndsWithTheExceptionExitAndResultZero) {
    auto& deferred = scriptSession(sim::RunKind::Deferred, "C:\\dir\\app.log");
    machine.journal.failNth("MsiGetProperty", 1, kErrorInvalidHandle);
    EXPECT_EQ(QXRenameFile(qxeca, deferred.handle), 0u);
    EXPECT_EQ(exitEntry(), "INFO: ----->> QX_Rename_File_Def exception exit... <<-----");
    EXPECT_EQ(deferred.messagesOfKind(kInstallMessageError).size(), 1u);
    EXPECT_TRUE(InfoTexts(deferred).empty());
}

}  // namespace
}  // namespace qx::test
