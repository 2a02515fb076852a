#include "TestMachine.h"
#include "qxmsica/FileCheck.h"

namespace qx::test {
namespace {

class FileCheckTest : public MachineTest {
  protected:
    FileCheckTest() {
        machine.files.writeFile("C:\\data\\here.txt", "x");
        machine.files.writeFile("C:\\data\\busy.txt", "x");
        machine.files.holdOpenByOtherProcess("C:\\data\\busy.txt");
        machine.files.writeFile("C:\\data\\secret.txt", "x");
        machine.files.denyReading("C:\\data\\secret.txt");
        machine.files.makeDirectories("C:\\data\\folder");
    }
    uint32_t check(const std::string& path) {
        session.messages.clear();
        session.properties["QX_PATHTOFILE"] = path;
        return qxmsica::QX_CheckFileExists(qxmsica, session.handle);
    }
};

TEST_F(FileCheckTest, OnlyAFileThatOpensForReadingWithoutSharingIsThere) {
    struct Case {
        const char* path;
        const char* missing;
    } cases[] = {
        {"C:\\data\\here.txt", "0"},
        {"C:\\data\\none.txt", "1"},
        {"C:\\data\\busy.txt", "1"},
        {"C:\\data\\secret.txt", "1"},
        {"C:\\data\\folder", "1"},
        {"C:\\nowhere\\here.txt", "1"},
        {"", "1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(check(c.path), kErrorSuccess);
        EXPECT_EQ(session.properties["QX_FileMissing"], c.missing);
        std::vector<std::string> logged;
        if (std::string(c.missing) == "1") {
            logged.push_back(std::string("QX_CheckFileExists: cannot find file '") + c.path + "'");
        }
        EXPECT_EQ(InfoTexts(session), logged);
        EXPECT_EQ(machine.openHandleCount(), 0u);
    }
}

TEST_F(FileCheckTest, AFailureWhileCheckingCountsAsAMissingFile) {
    struct Case {
        const char* path;
        const char* failing;
    } cases[] = {
        {"C:\\data\\none.txt", "MsiCreateRecord"},  // the log line of the missing file
        {"C:\\data\\here.txt", "MsiSetProperty"},   // "0" could not be set
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.failing);
        machine.journal.failNth(c.failing, 1, kErrorNotEnoughMemory);
        EXPECT_EQ(check(c.path), kErrorSuccess);
        EXPECT_EQ(session.properties["QX_FileMissing"], "1");
        EXPECT_EQ(
            InfoTexts(session),
            std::vector<std::string>{
                std::string("QX_CheckFileExists: cannot find file (exception)'") + c.path + "'"});
        EXPECT_EQ(machine.openHandleCount(), 0u);
    }
}

}  // namespace
}  // namespace qx::test
