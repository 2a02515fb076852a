#include "TestMachine.h"
#include "common/LogPaths.h"

namespace qx::test {
namespace {

class LogPathsTest : public MachineTest {
  protected:
    bool shortPath(const std::string& source, std::string& path, size_t capacity = 244) {
        return GetSPathName(qxeca.log, source, path, capacity);
    }
};

TEST_F(LogPathsTest, ShortPathIsExpandedConvertedAndStripped) {
    machine.files.makeDirectories("C:\\Program Files\\Long Folder");
    machine.system.shortNames["C:\\Program Files\\Long Folder\\"] = "C:\\PROGRA~1\\LONGFO~1\\";
    machine.system.environment["ProgramFiles"] = "C:\\Program Files";
    std::string path = "unchanged";
    ASSERT_TRUE(shortPath("%ProgramFiles%\\Long Folder\\", path));
    EXPECT_EQ(path, "C:\\PROGRA~1\\LONGFO~1");
}

TEST_F(LogPathsTest, PathThatCannotBeShortenedIsTakenAsGivenWhenItFits) {
    std::string path;
    ASSERT_TRUE(
        shortPath("C:\\missing\\folder\\", path));  // the conversion needs the path to exist
    EXPECT_EQ(path, "C:\\missing\\folder");
    EXPECT_FALSE(shortPath("C:\\missing\\" + std::string(250, 'x'), path));
}

TEST_F(LogPathsTest, ShortFormLongerThanTheCapacityIsAFailure) {
    machine.files.makeDirectories("C:\\deep");
    machine.system.shortNames["C:\\deep"] = "C:\\" + std::string(300, 'd');
    std::string path = "unchanged";
    EXPECT_FALSE(shortPath("C:\\deep", path));
    EXPECT_EQ(path, "unchanged");
    // The facility is not open yet: the error line reaches only the debug-string output.
    EXPECT_NE(debugText().find("LOG FACILITY IS UNAVAILABLE"), std::string::npos);
}

TEST_F(LogPathsTest, ExpansionThatFailsOrOverflowsIsAFailure) {
    std::string path;
    machine.journal.failNth("ExpandEnvironmentStrings", 1, kErrorNotEnoughMemory);
    EXPECT_FALSE(shortPath("C:\\WINDOWS", path));
    machine.system.environment["BIG"] = std::string(300, 'b');
    EXPECT_FALSE(shortPath("%BIG%", path));
}

TEST_F(LogPathsTest, LogFolderUsesTheShortFormOfTheWindowsDirectory) {
    machine.system.windowsDirectory = "C:\\Windows Folder";
    machine.files.makeDirectories("C:\\Windows Folder\\temp");
    machine.system.shortNames["C:\\Windows Folder"] = "C:\\WINDOW~1";
    machine.files.makeDirectories("C:\\WINDOW~1\\temp");  // the short name reaches the same place
    QxecaLogInit(qxeca.log, "qxeca");
    EXPECT_EQ(qxeca.log.filePath, "C:\\WINDOW~1\\temp\\qxeca.log");
}

TEST(StripTrailingBackslash, RemovesOneAndReportsTheLengthBefore) {
    std::string twice = "C:\\a\\\\";
    EXPECT_EQ(StripTrailingBackslash(twice), 6u);
    EXPECT_EQ(twice, "C:\\a\\");
    std::string none = "C:\\a";
    EXPECT_EQ(StripTrailingBackslash(none), 4u);
    EXPECT_EQ(none, "C:\\a");
}

}  // namespace
}  // namespace qx::test
