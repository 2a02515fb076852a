#include "TestMachine.h"
#include "common/MsiException.h"
#include "common/PropertyActions.h"

namespace qx::test {
namespace {

class PropertyTest : public MachineTest {
  protected:
    PropertyTest() { QxecaLogInit(qxeca.log, "qxeca"); }

    // The text the installer shows for the record of an exception.
    std::string shownText(const CMSIException& exception) {
        exception.ProcessError(session.handle);
        exception.Delete();
        return session.messages.back().text;
    }
};

TEST_F(PropertyTest, ReadsValuesUpTo511Characters) {
    session.properties["LONG"] = std::string(511, 'a');
    EXPECT_EQ(GetProperty(qxeca, session.handle, "LONG"), std::string(511, 'a'));
    EXPECT_EQ(GetProperty(qxeca, session.handle, "MISSING"), "");
}

TEST_F(PropertyTest, ValueOf512CharactersFailsWithTheSystemText) {
    session.properties["LONG"] = std::string(512, 'a');
    try {
        GetProperty(qxeca, session.handle, "LONG");
        FAIL() << "no exception";
    } catch (const CMSIException& e) {
        EXPECT_EQ(e.GetKind(), eMSIError);
        EXPECT_EQ(shownText(e), "GetProperty\r\n\r\nError: More data is available.");
    }
    auto entries = logEntries();
    EXPECT_NE(std::find(entries.begin(), entries.end(),
                        "ERROR: MsiGetProperty 'LONG' failed, retcode='0xea' throwing exception"),
              entries.end());
    EXPECT_EQ(machine.journal.count("MsiGetProperty"), 1u);  // no second, larger read
}

TEST_F(PropertyTest, EachReadReturnsAValueTheCallerOwns) {
    session.properties["A"] = "first";
    session.properties["B"] = "second";
    std::string a = GetProperty(qxeca, session.handle, "A");
    std::string b = GetProperty(qxeca, session.handle, "B");
    EXPECT_EQ(a, "first");
    EXPECT_EQ(b, "second");
}

TEST_F(PropertyTest, ErrorTextShowsTheNameStackByDebugLevel) {
    struct Case {
        Library* library;
        int debugLevel;
        bool set;
        const char* shown;
    } cases[] = {
        {&qxeca, 0, false, "X\r\n\r\nError: The handle is invalid."},
        {&qxeca, 1, false,
         "X\r\nGetProperty\r\n.\\PropertyActions (line 39)\r\n\r\nError: The handle is invalid."},
        {&qxeca, 1, true,
         "X\r\nSetProperty\r\n.\\PropertyActions (line 21)\r\n\r\nError: The handle is invalid."},
        {&qxmsica, 0, false, "X\r\n\r\nError: The handle is invalid.\r\n"},
        {&qxmsica, 2, false,
         "X\r\nMGetProperty\r\nPropertyActions (line 31)\r\n\r\nError: The handle is "
         "invalid.\r\n"},
        {&qxmsica, 2, true,
         "X\r\nMSetProperty\r\nPropertyActions (line 17)\r\n\r\nError: The handle is "
         "invalid.\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        c.library->debugLevel = c.debugLevel;
        CFunctionScope scope(*c.library, "X");
        machine.journal.failNth(c.set ? "MsiSetProperty" : "MsiGetProperty", 1,
                                kErrorInvalidHandle);
        try {
            if (c.set) {
                SetProperty(*c.library, session.handle, "P", "v");
            } else {
                GetProperty(*c.library, session.handle, "P");
            }
            FAIL() << "no exception";
        } catch (const CMSIException& e) {
            e.ProcessError(session.handle);
            e.Delete();
            auto errors = session.messagesOfKind(c.library == &qxeca ? kInstallMessageError
                                                                     : kInstallMessageUser);
            ASSERT_FALSE(errors.empty());
            EXPECT_EQ(errors.back().text, c.shown);
        }
        EXPECT_EQ(c.library->functionNames, std::vector<std::string>{"X"});
    }
    EXPECT_EQ(machine.installer.openRecordCount(), 0u);
}

TEST_F(PropertyTest, QxmsicaLogsNothingWhenAReadFails) {
    std::string before = logFile();
    machine.system.debugOutput.clear();
    machine.journal.failNth("MsiGetProperty", 1, kErrorInvalidHandle);
    EXPECT_THROW(GetProperty(qxmsica, session.handle, "P"), CMSIException);
    EXPECT_EQ(logFile(), before);
    EXPECT_EQ(debugText(), "");
}

TEST_F(PropertyTest, InstallerErrorRecordIsShownInsteadOfTheSystemText) {
    machine.journal.failNth("MsiGetProperty", 1, 1627);
    machine.installer.setErrorText(2205, "Database: [2]. Table does not exist: [3].");
    machine.installer.setLastErrorRecord(
        {std::monostate{}, 2205, std::string("db"), std::string("Error")});
    try {
        GetProperty(qxeca, session.handle, "P");
        FAIL() << "no exception";
    } catch (const CMSIException& e) {
        EXPECT_EQ(shownText(e), "Database: db. Table does not exist: Error.");
    }
}

TEST_F(PropertyTest, SetPropertyFailureInTheScriptIsLoggedAndThrown) {
    auto& deferred = newSession(sim::RunKind::Deferred);
    EXPECT_THROW(SetProperty(qxeca, deferred.handle, "P", "v"), CMSIException);
    auto entries = logEntries();
    EXPECT_NE(std::find(entries.begin(), entries.end(),
                        "ERROR: MsiSetProperty 'P' failed, retcode='0x65b' throwing exception"),
              entries.end());
    EXPECT_EQ(machine.installer.openRecordCount(), 0u);  // a dropped exception closes its record
}

TEST_F(PropertyTest, SettingAnEmptyValueRemovesTheProperty) {
    SetProperty(qxeca, session.handle, "P", "v");
    EXPECT_EQ(session.properties.at("P"), "v");
    SetProperty(qxeca, session.handle, "P", "");
    EXPECT_EQ(session.properties.count("P"), 0u);
}

TEST_F(PropertyTest, LogPropertyWritesNameAndValue) {
    session.properties["ProductName"] = "Widget";
    LogProperty(qxeca, session.handle, "ProductName");
    EXPECT_EQ(logEntries().back(), "INFO: ProductName = Widget");
}

}  // namespace
}  // namespace qx::test
