#include "SettingsTest.h"
#include "qxeca/settings/RegistrySaveRestore.h"

namespace qx::test {
namespace {

const std::string kTool = "HKLM\\SOFTWARE\\Vendor\\Tool";
const std::string kSavedLevel = "SavedDataDW\\SOFTWARE\\Vendor\\Tool\\Level";

class SaveRestoreTest : public SettingsTest {
  protected:
    const std::string store = userHive + "\\SOFTWARE\\Quaxten\\InstalledProducts";
    const std::string storeText =
        machine.registry.currentUserSid() + "\\SOFTWARE\\Quaxten\\InstalledProducts";

    uint32_t save(sim::RunKind kind, const std::string& data = "SOFTWARE\\Vendor\\Tool;Level") {
        clearLog();
        return QX_SaveHKLMRegDW(qxeca, scriptSession(kind, data).handle);
    }
    uint32_t restore(sim::RunKind kind, const std::string& data = "SOFTWARE\\Vendor\\Tool;Level") {
        clearLog();
        return QX_RestoreHKLMRegDW(qxeca, scriptSession(kind, data).handle);
    }
};

TEST_F(SaveRestoreTest, DeferredSaveCopiesTheDwordIntoTheUsersStore) {
    machine.registry.setDword(kTool, "Level", 5);
    auto& deferred = scriptSession(sim::RunKind::Deferred, " \tSOFTWARE\\Vendor\\Tool ; Level \v");
    EXPECT_EQ(QX_SaveHKLMRegDW(qxeca, deferred.handle), 0u);
    EXPECT_EQ(machine.registry.dword(store, kSavedLevel), 5u);
    // The backslashes of the saved name are part of one value name.
    EXPECT_EQ(machine.registry.subKeys(store), std::vector<std::string>{});
    EXPECT_EQ(
        logEntries(),
        (std::vector<std::string>{
            "INFO: qxeca dll version 1.5.2.18338",
            "INFO: ----->> QX_SaveHKLMRegDW Starting <<-----",
            "INFO: get2msiparm: CustomActionData = ' \tSOFTWARE\\Vendor\\Tool ; Level \v'",
            "INFO: get2msiparm: keyname='SOFTWARE\\Vendor\\Tool', valuename='Level'",
            "INFO: saveregdw: found original data 0x5 for DW dwData Level in HKLM key "
            "'SOFTWARE\\Vendor\\Tool'",
            "INFO: saveregdw saved DW data 0x5 in key " + kSavedLevel + " in HKU " + storeText,
            "INFO: ----->> QX_SaveHKLMRegDW normal exit <<-----",
            "",
        }));
    EXPECT_TRUE(InfoTexts(deferred).empty());
}

TEST_F(SaveRestoreTest, DeferredRestoreWritesTheCopyBackAndDeletesIt) {
    machine.registry.setDword(kTool, "Level", 9);
    machine.registry.setDword(store, kSavedLevel, 5);
    EXPECT_EQ(restore(sim::RunKind::Deferred), 0u);
    EXPECT_EQ(machine.registry.dword(kTool, "Level"), 5u);
    EXPECT_FALSE(machine.registry.value(store, kSavedLevel));
    EXPECT_EQ(workEntries(),
              (std::vector<std::string>{
                  "INFO: get2msiparm: CustomActionData = 'SOFTWARE\\Vendor\\Tool;Level'",
                  "INFO: get2msiparm: keyname='SOFTWARE\\Vendor\\Tool', valuename='Level'",
                  "INFO: restoreregdw: found saved data 0x5 for '" + kSavedLevel + "'",
                  "INFO: restoreregdw: restored data=0x5 in value Level of HKLM key "
                  "SOFTWARE\\Vendor\\Tool",
              }));
    EXPECT_EQ(exitEntry(), "INFO: ----->> QX_RestoreHKLMRegDW normal exit <<-----");
}

TEST_F(SaveRestoreTest, RestoreMakesAVanishedKeyAgain) {
    machine.registry.setDword(store, kSavedLevel, 0);
    EXPECT_EQ(restore(sim::RunKind::Deferred), 0u);
    EXPECT_EQ(machine.registry.dword(kTool, "Level"), 0u);
    EXPECT_FALSE(machine.registry.value(store, kSavedLevel));
    EXPECT_EQ(workEntries()[3],
              "INFO: restoreregdw: restored data=0 in value Level of HKLM key "
              "SOFTWARE\\Vendor\\Tool");
}

TEST_F(SaveRestoreTest, EachExportTakesTheOtherOperationOutsideAPlainDeferredRun) {
    struct Case {
        uint32_t (*action)(Library&, MsiHandle);
        sim::RunKind kind;
        bool saves;
    } cases[] = {
        {QX_SaveHKLMRegDW, sim::RunKind::Deferred, true},
        {QX_SaveHKLMRegDW, sim::RunKind::Rollback, false},
        {QX_SaveHKLMRegDW, sim::RunKind::Commit, false},
        {QX_SaveHKLMRegDW, sim::RunKind::Immediate, false},
        {QX_RestoreHKLMRegDW, sim::RunKind::Deferred, false},
        {QX_RestoreHKLMRegDW, sim::RunKind::Rollback, true},
        {QX_RestoreHKLMRegDW, sim::RunKind::Commit, true},
        {QX_RestoreHKLMRegDW, sim::RunKind::Immediate, true},
    };
    for (const auto& c : cases) {
        machine.registry.setDword(kTool, "Level", 7);
        machine.registry.setDword(store, kSavedLevel, 3);
        clearLog();
        auto& s = scriptSession(c.kind, "SOFTWARE\\Vendor\\Tool;Level");
        EXPECT_EQ(c.action(qxeca, s.handle), 0u);
        std::string where = "kind " + std::to_string(static_cast<int>(c.kind)) +
                            (c.action == QX_SaveHKLMRegDW ? " save export" : " restore export");
        if (c.saves) {
            EXPECT_EQ(machine.registry.dword(kTool, "Level"), 7u) << where;
            EXPECT_EQ(machine.registry.dword(store, kSavedLevel), 7u) << where;
        } else {
            EXPECT_EQ(machine.registry.dword(kTool, "Level"), 3u) << where;
            EXPECT_FALSE(machine.registry.value(store, kSavedLevel)) << where;
        }
        EXPECT_EQ(workEntries()[2].find(c.saves ? "INFO: saveregdw" : "INFO: restoreregdw"), 0u)
            << where << ": " << workEntries()[2];
    }
}

TEST_F(SaveRestoreTest, ValueNameMayHoldFurtherSeparators) {
    machine.registry.setDword("HKLM\\SOFTWARE\\Vendor", "a;b", 9);
    EXPECT_EQ(save(sim::RunKind::Deferred, "SOFTWARE\\Vendor;a;b"), 0u);
    EXPECT_EQ(machine.registry.dword(store, "SavedDataDW\\SOFTWARE\\Vendor\\a;b"), 9u);
    machine.registry.setDword("HKLM\\SOFTWARE\\Vendor", "a;b", 1);
    EXPECT_EQ(restore(sim::RunKind::Deferred, "SOFTWARE\\Vendor;a;b"), 0u);
    EXPECT_EQ(machine.registry.dword("HKLM\\SOFTWARE\\Vendor", "a;b"), 9u);
}

TEST_F(SaveRestoreTest, SavingAgainOverwritesTheCopy) {
    machine.registry.setDword(kTool, "Level", 1);
    save(sim::RunKind::Deferred);
    machine.registry.setDword(kTool, "Level", 0xFFFFFFFF);
    save(sim::RunKind::Deferred);
    EXPECT_EQ(machine.registry.dword(store, kSavedLevel), 0xFFFFFFFFu);
    EXPECT_EQ(workEntries()[3], "INFO: saveregdw saved DW data 0xffffffff in key " + kSavedLevel +
                                    " in HKU " + storeText);
}

TEST_F(SaveRestoreTest, NothingIsSavedWithoutAFourByteDword) {
    const std::string prefix =
        "INFO: saveregdw: opened key SOFTWARE\\Vendor\\Tool, but got no DW "
        "data named Level. NOT an error ";
    struct Case {
        const char* what;
        std::function<void()> arrange;
        std::string line;
    } cases[] = {
        {"REG_SZ", [&] { machine.registry.setString(kTool, "Level", "5"); },
         prefix + "(rc=0x0, type=0x1"},
        {"8 bytes",
         [&] { machine.registry.setValue(kTool, "Level", kRegQword, std::vector<uint8_t>(8, 1)); },
         prefix + "(rc=0xea, type=0xb"},
        {"absent value", [&] { machine.registry.setDword(kTool, "Other", 5); },
         prefix + "(rc=0x2, type=0x0"},
        {"absent key", [] {},
         "INFO: saveregdw: cannot open HKLM key 'SOFTWARE\\Vendor\\Tool', there's no original "
         "value. NOT an error (system message The system cannot find the file specified. (0x2)"},
    };
    for (const auto& c : cases) {
        machine.registry.deleteKey(kTool);
        machine.registry.deleteKey(store);
        c.arrange();
        EXPECT_EQ(save(sim::RunKind::Deferred), 0u) << c.what;
        EXPECT_FALSE(machine.registry.keyExists(store)) << c.what;
        auto work = workEntries();
        EXPECT_EQ(work.size(), 3u) << c.what;
        EXPECT_EQ(work.back(), c.line) << c.what;
    }
}

TEST_F(SaveRestoreTest, CommandWithoutSeparatorDoesNothing) {
    machine.registry.setDword(kTool, "Level", 7);
    machine.registry.setDword(store, kSavedLevel, 3);
    struct Case {
        uint32_t (*action)(Library&, MsiHandle);
        const char* data;
        const char* parseLine;
        const char* stepLine;
    } cases[] = {
        {QX_SaveHKLMRegDW, "",
         "ERROR: get2msiparm: cannot parse CustomActionData; length=0, sep=-1",
         "INFO: saveregdw: can't get parameters, so exiting without saving reg data'"},
        {QX_RestoreHKLMRegDW, "SOFTWARE\\Vendor\\Tool Level",
         "ERROR: get2msiparm: cannot parse CustomActionData; length=26, sep=-1",
         "INFO: restoreregdw: can't get parameters, so exiting without restoring reg data'"},
    };
    for (const auto& c : cases) {
        clearLog();
        EXPECT_EQ(c.action(qxeca, scriptSession(sim::RunKind::Deferred, c.data).handle), 0u);
        EXPECT_EQ(workEntries(),
                  (std::vector<std::string>{
                      std::string("INFO: get2msiparm: CustomActionData = '") + c.data + "'",
                      c.parseLine,
                      c.stepLine,
                  }));
    }
    EXPECT_EQ(machine.registry.dword(kTool, "Level"), 7u);
    EXPECT_EQ(machine.registry.dword(store, kSavedLevel), 3u);
}

TEST_F(SaveRestoreTest, RestoreWithoutACopyLeavesTheMachineValueAlone) {
    machine.registry.setDword(kTool, "Level", 7);
    EXPECT_EQ(restore(sim::RunKind::Deferred), 0u);
    EXPECT_EQ(workEntries().back(), "INFO: restoreregdw: cannot open HKU key '" + storeText +
                                        "', no saved data found, will exit");
    machine.registry.setDword(store, "SavedDataDW\\SOFTWARE\\Vendor\\Tool\\Other", 1);
    EXPECT_EQ(restore(sim::RunKind::Deferred), 0u);
    EXPECT_EQ(workEntries().back(), "INFO: restoreregdw: did not find key value '" + kSavedLevel +
                                        "', no saved data found, will exit");
    EXPECT_EQ(machine.registry.dword(kTool, "Level"), 7u);
}

TEST_F(SaveRestoreTest, FailedWritesAreErrorsAndKeepTheCopy) {
    machine.registry.setDword(kTool, "Level", 4);
    machine.registry.setDword(store, kSavedLevel, 8);

    machine.registry.denyWrites(kTool);
    EXPECT_EQ(restore(sim::RunKind::Deferred), 0u);
    EXPECT_EQ(workEntries().back(),
              "ERROR: restoreregdw: cannot open HKLM key 'SOFTWARE\\Vendor\\Tool', will exit "
              "without restoring data (rc=0x5, msg: 'Access is denied.'");
    EXPECT_EQ(machine.registry.dword(store, kSavedLevel), 8u);

    machine.registry.deleteKey(kTool);
    machine.journal.failNth("RegSetValueEx", 1, kErrorAccessDenied);
    EXPECT_EQ(restore(sim::RunKind::Deferred), 0u);
    EXPECT_EQ(workEntries().back(),
              "ERROR: restoreregdw: cannot restore data for Level in HKLM SOFTWARE\\Vendor\\Tool "
              "(error Access is denied. (0x5))");
    EXPECT_EQ(machine.registry.dword(store, kSavedLevel), 8u);

    machine.journal.failNth("RegDeleteValue", 1, kErrorAccessDenied);
    EXPECT_EQ(restore(sim::RunKind::Deferred), 0u);
    EXPECT_EQ(machine.registry.dword(kTool, "Level"), 8u);
    EXPECT_EQ(workEntries().back(), "ERROR: restoreregdw: cannot delete saved data key " +
                                        kSavedLevel + " in HKU " + storeText);
    EXPECT_EQ(machine.registry.openKeyCount(), 0u);
}

TEST_F(SaveRestoreTest, FailedSaveIsAnErrorAlsoInTheInstallerLog) {
    machine.registry.setDword(kTool, "Level", 4);
    machine.registry.denyWrites(store);
    EXPECT_EQ(save(sim::RunKind::Deferred), 0u);
    EXPECT_EQ(workEntries().back(), "ERROR: saveregdw: cannot open HKU SID key '" + storeText +
                                        "' to save the data, will exit");

    machine.registry.deleteKey(store);
    machine.journal.failNth("RegSetValueEx", 1, kErrorAccessDenied);
    auto& deferred = scriptSession(sim::RunKind::Deferred, "SOFTWARE\\Vendor\\Tool;Level");
    clearLog();
    EXPECT_EQ(QX_SaveHKLMRegDW(qxeca, deferred.handle), 0u);
    const std::string line = "saveregdw: unable to set " + kSavedLevel + " in HKU " + storeText +
                             " (err='Access is denied.', rc=0x5";
    EXPECT_EQ(workEntries().back(), "ERROR: " + line);
    EXPECT_EQ(InfoTexts(deferred), std::vector<std::string>{"QXECA: " + line});
    EXPECT_FALSE(machine.registry.value(store, kSavedLevel));
}

TEST_F(SaveRestoreTest, FailedPropertyReadFailsSetupWithTheEchoedExceptionExit) {
    machine.registry.setDword(kTool, "Level", 4);
    struct Case {
        int nthRead;  // 1: CustomActionData, 2: UserSID
        uint32_t (*action)(Library&, MsiHandle);
        const char* exitText;
    } cases[] = {
        {1, QX_SaveHKLMRegDW, "----->> QX_SaveHKLMRegDW exception exit <<-----\n"},
        {2, QX_SaveHKLMRegDW, "----->> QX_SaveHKLMRegDW exception exit <<-----\n"},
        {1, QX_RestoreHKLMRegDW, "----->> QX_RestoreHKLMRegDW exception exit <<-----\n"},
    };
    for (const auto& c : cases) {
        auto& deferred = scriptSession(sim::RunKind::Deferred, "SOFTWARE\\Vendor\\Tool;Level");
        machine.journal.failNth("MsiGetProperty", c.nthRead, kErrorInvalidHandle);
        EXPECT_EQ(c.action(qxeca, deferred.handle), 1603u) << c.exitText << c.nthRead;
        ASSERT_FALSE(InfoTexts(deferred).empty());
        EXPECT_EQ(InfoTexts(deferred).back(), std::string("QXECA: ") + c.exitText);
        EXPECT_EQ(deferred.messagesOfKind(kInstallMessageError).size(), 1u);
    }
    EXPECT_FALSE(machine.registry.keyExists(store));
}

class SaveRestore64Test : public SaveRestoreTest {
  protected:
    SaveRestore64Test() { machine.system.setArchitecture(kProcessorArchitectureAmd64); }
};

TEST_F(SaveRestore64Test, Uses64BitViewOnA64BitMachine) {
    machine.registry.setDword(kTool, "Level", 6);
    machine.registry.setDword("HKLM\\SOFTWARE\\Wow6432Node\\Vendor\\Tool", "Level", 2);
    machine.journal.clear();
    EXPECT_EQ(save(sim::RunKind::Deferred), 0u);
    EXPECT_EQ(machine.registry.dword(store, kSavedLevel), 6u);
    EXPECT_EQ(machine.journal.calls("RegOpenKeyEx")[0].arguments,
              "HKLM\\SOFTWARE\\Vendor\\Tool access=0x20119");
    EXPECT_EQ(machine.journal.calls("RegCreateKeyEx")[0].arguments,
              "HKU\\" + storeText + " access=0xf013f");

    machine.registry.setDword(kTool, "Level", 1);
    machine.journal.clear();
    EXPECT_EQ(restore(sim::RunKind::Deferred), 0u);
    EXPECT_EQ(machine.registry.dword(kTool, "Level"), 6u);
    EXPECT_EQ(machine.registry.dword("HKLM\\SOFTWARE\\Wow6432Node\\Vendor\\Tool", "Level"), 2u);
    EXPECT_EQ(machine.journal.calls("RegOpenKeyEx")[0].arguments,
              "HKU\\" + machine.registry.currentUserSid() +
                  "\\SOFTWARE\\Quaxten\\InstalledProducts access=0xf013f");
    EXPECT_EQ(machine.journal.calls("RegCreateKeyEx")[0].arguments,
              "HKLM\\SOFTWARE\\Vendor\\Tool access=0xf013f");
}

}  // namespace
}  // namespace qx::test
