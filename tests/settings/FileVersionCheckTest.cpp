#include "SettingsTest.h"
#include "common/ExportGuard.h"
#include "qxeca/settings/FileVersionCheck.h"

namespace qx::test {
namespace {

const std::string kTool = "C:\\Program Files\\Vendor\\tool.exe";

FixedFileVersion Version(uint16_t major, uint16_t minor, uint16_t build, uint16_t revision) {
    return {uint32_t{major} << 16 | minor, uint32_t{build} << 16 | revision};
}

class FileVersionCheckTest : public SettingsTest {
  protected:
    uint32_t check(const std::string& packageVersion, const std::string& file = kTool) {
        clearLog();
        session.properties["QX_PACKAGE_FILE_VER"] = packageVersion;
        session.properties["QX_INSTALLED_FILE_NAME"] = file;
        return QX_CheckFileVers(qxeca, session.handle);
    }
    void install(FixedFileVersion version) {
        machine.files.writeFile(kTool, "MZ");
        machine.files.setVersion(kTool, sim::SimFileSystem::VersionBlock::Fixed, version);
    }
    std::optional<std::string> mismatch() const {
        auto found = session.properties.find("QX_FILEVER_MISMATCH");
        if (found == session.properties.end()) {
            return std::nullopt;
        }
        return found->second;
    }
};

TEST_F(FileVersionCheckTest, OlderInstalledFileSetsTheProperty) {
    install(Version(1, 5, 2, 18337));
    EXPECT_EQ(check("1.5.2.18338"), 0u);
    EXPECT_EQ(mismatch(), "1");
    EXPECT_EQ(logEntries(),
              (std::vector<std::string>{
                  "INFO: qxeca dll version 1.5.2.18338",
                  "INFO: ----->> QX_CheckFileVers Starting... <<-----",
                  "INFO: QX_CheckFileVers QX_PACKAGE_FILE_VER=1.5.2.18338 "
                  "QX_INSTALLED_FILE_NAME=" +
                      kTool,
                  "INFO: QX_CheckFileVers File Version: 1.5.2.18337",
                  "INFO: QX_CheckFileVers QX_PACKAGE_FILE_VER strings 1-5-2-18338 dwords "
                  "1.5.2.18338",
                  "INFO: QX_CheckFileVers has set QX_FILEVER_MISMATCH = 1, the MSI file is higher "
                  "version",
                  "INFO: ----->> QX_CheckFileVers Exiting... rc=0 <<-----",
                  "",
              }));
    EXPECT_TRUE(InfoTexts(session).empty());
}

TEST_F(FileVersionCheckTest, VersionsCompareMajorFirst) {
    struct Case {
        FixedFileVersion installed;
        const char* package;
        bool older;
        const char* stringsAndDwords;
    } cases[] = {
        {Version(1, 5, 2, 18338), "1.5.2.18338", false, "1-5-2-18338 dwords 1.5.2.18338"},
        {Version(1, 6, 0, 0), "1.5.2.18338", false, "1-5-2-18338 dwords 1.5.2.18338"},
        {Version(1, 2, 0, 2), "1.2.3", true, "1-2--3 dwords 1.2.0.3"},
        {Version(1, 2, 0, 3), "1.2.3", false, "1-2--3 dwords 1.2.0.3"},
        {Version(1, 0, 0, 1), "1.2", true, "1---2 dwords 1.0.0.2"},
        {Version(0, 0, 0, 7), "7", false, "---7 dwords 0.0.0.7"},
        {Version(1, 1, 0, 0), "1.2.", true, "1-2-0-0 dwords 1.2.0.0"},
        {Version(0, 0, 0, 0), "", false, "0-0-0-0 dwords 0.0.0.0"},
        {Version(1, 2, 3, 3), "1.2.3.4.5", true, "1-2-3-4.5 dwords 1.2.3.4"},
        {Version(1, 0, 0, 65535), "1.0.0.70000", true, "1-0-0-70000 dwords 1.0.0.70000"},
        {Version(1, 5, 0, 65535), "1.5.-1", true, "1-5---1 dwords 1.5.0.-1"},
        {Version(2, 0, 0, 0), "1.0.-1.0", false, "1-0--1-0 dwords 1.0.-1.0"},
        {Version(1, 0, 0, 9), "1.0.0.10", true, "1-0-0-10 dwords 1.0.0.10"},
    };
    for (const auto& c : cases) {
        session.properties.erase("QX_FILEVER_MISMATCH");
        install(c.installed);
        EXPECT_EQ(check(c.package), 0u);
        EXPECT_EQ(mismatch(), c.older ? std::optional<std::string>("1") : std::nullopt)
            << c.package;
        auto work = workEntries();
        ASSERT_EQ(work.size(), 4u) << c.package;
        EXPECT_EQ(work[2], std::string("INFO: QX_CheckFileVers QX_PACKAGE_FILE_VER strings ") +
                               c.stringsAndDwords);
        EXPECT_EQ(work[3], c.older ? "INFO: QX_CheckFileVers has set QX_FILEVER_MISMATCH = 1, the "
                                     "MSI file is higher version"
                                   : "INFO: QX_CheckFileVers has NOT set QX_FILEVER_MISMATCH, the "
                                     "MSI file is lower version")
            << c.package;
    }
}

TEST_F(FileVersionCheckTest, PlaceholderOrEmptyNameDoesNothing) {
    install(Version(1, 0, 0, 0));
    session.properties["QX_FILEVER_MISMATCH"] = "kept";
    for (const char* name : {"qxblank", "QXBlank", ""}) {
        machine.journal.clear();
        EXPECT_EQ(check("9.9.9.9", name), 0u);
        EXPECT_EQ(workEntries().back(),
                  std::string("INFO: QX_CheckFileVers no action. Exiting because "
                              "QX_INSTALLED_FILE_NAME (") +
                      name + ") is no good");
        EXPECT_EQ(machine.journal.count("GetFileVersionInfoSize"), 0u);
    }
    EXPECT_EQ(mismatch(), "kept");
}

TEST_F(FileVersionCheckTest, UnreadableVersionIsAMismatchJustInCase) {
    const std::string unversioned = "C:\\Program Files\\Vendor\\plain.exe";
    const std::string blockless = "C:\\Program Files\\Vendor\\blockless.exe";
    machine.files.writeFile(unversioned, "MZ");
    machine.files.writeFile(blockless, "MZ");
    machine.files.setVersion(blockless, sim::SimFileSystem::VersionBlock::WithoutFixedBlock);
    install(Version(1, 0, 0, 0));
    struct Case {
        std::string file;
        const char* failing;  // injected, when the machine alone does not fail
        std::string line;
    } cases[] = {
        {unversioned, nullptr,
         "GetFileVersionInfoSize error, rc=0x714, err:Unidentified system error"},
        {"C:\\Program Files\\Vendor\\missing.exe", nullptr,
         "GetFileVersionInfoSize error, rc=0x2, err:The system cannot find the file specified."},
        {kTool, "GetFileVersionInfo", "GetFileVersionInfo error, rc=0x5, err:Access is denied."},
        // Version information without a fixed block: never read through a missing block.
        {blockless, nullptr, "VerQueryValue error, rc=0x715, err:Unidentified system error"},
    };
    for (const auto& c : cases) {
        session.properties.erase("QX_FILEVER_MISMATCH");
        if (c.failing) {
            machine.journal.failNth(c.failing, 1, kErrorAccessDenied);
        }
        EXPECT_EQ(check("1.0.0.0", c.file), 0u);
        EXPECT_EQ(mismatch(), "1") << c.line;
        auto work = workEntries();
        EXPECT_EQ(work, (std::vector<std::string>{
                            work.at(0),
                            "INFO: QX_CheckFileVers " + c.line,
                            "INFO: QX_CheckFileVers has set QX_FILEVER_MISMATCH = 1, just in case",
                        }));
    }
}

TEST_F(FileVersionCheckTest, PropertyFailuresEndWithTheExceptionExitAndResultZero) {
    install(Version(1, 0, 0, 0));
    struct Case {
        const char* failing;
        int nth;
    } cases[] = {{"MsiGetProperty", 2}, {"MsiGetProperty", 3}, {"MsiSetProperty", 1}};
    for (const auto& c : cases) {
        machine.journal.failNth(c.failing, c.nth, kErrorInvalidHandle);
        EXPECT_EQ(check("2.0.0.0"), 0u);
        EXPECT_EQ(exitEntry(), "ERROR: ----->> QX_CheckFileVers exception Exiting... rc=0 <<-----")
            << c.failing << c.nth;
        EXPECT_TRUE(InfoTexts(session).empty());
        EXPECT_EQ(session.messagesOfKind(kInstallMessageError).size(), 1u);
        session.messages.clear();
    }
    EXPECT_EQ(mismatch(), std::nullopt);
}

TEST_F(FileVersionCheckTest, UnreadableDebugLeavesTheActionToTheExportGuard) {
    install(Version(1, 0, 0, 0));
    session.properties["QX_PACKAGE_FILE_VER"] = "2.0.0.0";
    session.properties["QX_INSTALLED_FILE_NAME"] = kTool;
    machine.journal.failNth("MsiGetProperty", 1, kErrorInvalidHandle);
    EXPECT_EQ(GuardExport(qxeca, "QX_CheckFileVers", session.handle, QX_CheckFileVers), 1603u);
    EXPECT_FALSE(machine.files.exists(kLogPath));
    EXPECT_EQ(mismatch(), std::nullopt);
}

}  // namespace
}  // namespace qx::test
