#include "TestMachine.h"
#include "common/ErrorText.h"
#include "common/MsiException.h"

namespace qx::test {
namespace {

class ExceptionTest : public MachineTest {
  protected:
    ExceptionTest() { QxecaLogInit(qxeca.log, "qxeca"); }

    sim::RecordFields fieldsOf(const CMSIException& e) {
        sim::RecordFields fields;
        session.messages.clear();
        e.ProcessError(session.handle);
        return session.messages.empty() ? fields : session.messages.back().fields;
    }
};

TEST_F(ExceptionTest, InSourceRecordCarriesTheKindText) {
    struct Case {
        int kind;
        const char* note;
        const char* errorText;
    } cases[] = {
        {eCustomError, "CMSIException case eCustomError", "my text"},
        {eGetActiveDatabaseFail, "CMSIException case eGetActiveDatabaseFail",
         "Can't receive the active installer database handle"},
        {eUnsupportedAction, "CMSIException case eUnsupportedAction",
         "Unsupported action on installer database"},
        {eCreateRecordFail, "CMSIException case eCreateRecordFail", "Can't create MSI record"},
    };
    CFunctionScope scope(qxeca, "Action");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        machine.system.debugOutput.clear();
        auto e = CMSIException::InSource(qxeca, c.kind, "my text", "src", 7);
        EXPECT_EQ(e.GetKind(), c.kind);
        auto fields = fieldsOf(e);
        ASSERT_EQ(fields.size(), 4u);
        EXPECT_EQ(fields[0], sim::RecordField(std::string("[3]\r\nError: [2]")));
        EXPECT_EQ(fields[1], sim::RecordField(0));
        EXPECT_EQ(fields[2], sim::RecordField(std::string(c.errorText)));
        EXPECT_EQ(fields[3], sim::RecordField(std::string("Action\r\n")));
        EXPECT_EQ(debugText(),
                  std::string("LOG: CMSIException (in-source text) 1=") + std::to_string(c.kind) +
                      ", 2='my text', 3='src', 4='7'" +
                      "INFO:CMSIException (in-source text) 1=" + std::to_string(c.kind) +
                      ", 2='my text', 3='src', 4='7'\n" + "LOG: " + c.note +
                      "LOG: CMSIException (in-source text) ending "
                      "LOG: in CMSIException::ProcessError"
                      "LOG: CMSIException::ProcessError, not in rollback");
        e.Delete();
    }
    EXPECT_EQ(logEntries().back(),
              "INFO: CMSIException (in-source text) 1=4, 2='my text', 3='src', 4='7'");
    EXPECT_EQ(machine.installer.openRecordCount(), 0u);
}

TEST_F(ExceptionTest, MsiErrorPrefersTheInstallersOwnRecord) {
    machine.installer.setLastErrorRecord({std::string("installer says [1]"), 42});
    auto withRecord = CMSIException::InSource(qxeca, eMSIError, "given", "src", 1);
    EXPECT_EQ(session.messages.size(), 0u);
    withRecord.ProcessError(session.handle);
    EXPECT_EQ(session.messages.back().text, "installer says 42");
    withRecord.Delete();

    auto withText = CMSIException::InSource(qxeca, eMSIError, "given", "src", 1);
    EXPECT_EQ(std::get<std::string>(fieldsOf(withText)[2]), "given");
    EXPECT_EQ(logEntries().back(),
              "INFO: CMSIException (in-source text) case eMSIError, record set with "
              "text='given'");
    withText.Delete();

    auto withNothing = CMSIException::InSource(qxeca, eMSIError, "", "src", 1);
    EXPECT_EQ(withNothing.GetRecord(), 0u);
    auto unknownKind = CMSIException::InSource(qxeca, 9, "text", "src", 1);
    EXPECT_EQ(unknownKind.GetRecord(), 0u);
    EXPECT_EQ(machine.installer.openRecordCount(), 0u);
}

TEST_F(ExceptionTest, InMsiRecordLetsTheInstallerUseTheErrorTable) {
    machine.installer.setErrorText(27850, "Setup of [2] failed ([3], [4]).");
    qxeca.exitCode = 0;
    auto first = CMSIException::InMsi(qxeca, 27850, "QXE", "rc=5", "x");
    EXPECT_EQ(qxeca.exitCode, 1603);
    auto fields = fieldsOf(first);
    ASSERT_EQ(fields.size(), 6u);
    EXPECT_EQ(fields[0], sim::RecordField());
    EXPECT_EQ(fields[1], sim::RecordField(27850));
    EXPECT_EQ(fields[5], sim::RecordField());
    EXPECT_EQ(session.messages.back().text, "Setup of QXE failed (rc=5, x).");
    EXPECT_EQ(session.messages.back().type, kInstallMessageError);
    first.Delete();

    machine.system.debugOutput.clear();
    auto second = CMSIException::InMsi(qxeca, kErrorInstallUserExit, 27856, "", "", "");
    EXPECT_EQ(qxeca.exitCode, 1602);
    second.Delete();
    EXPECT_EQ(debugText(),
              "LOG: CMSIException (errnum=27856, exitcode='1602', p3='', p4='', p5=''"
              "LOG: CMSIException (in-MSI text) MsiRecord created and set"
              "LOG: CMSIException (in-MSI text) ending"
              "LOG: in CMSIException::Delete");
    EXPECT_EQ(machine.installer.openRecordCount(), 0u);
}

TEST_F(ExceptionTest, InMsiWithoutARecordStillSetsTheExitCode) {
    machine.journal.failNth("MsiCreateRecord", 1, kErrorNotEnoughMemory);
    auto e = CMSIException::InMsi(qxeca, 1605, 27848, "", "", "");
    EXPECT_EQ(e.GetRecord(), 0u);
    EXPECT_EQ(qxeca.exitCode, 1605);
    EXPECT_NE(debugText().find("LOG: CMSIException (in-MSI text) MsiRecord could not be created"),
              std::string::npos);
    e.ProcessError(session.handle);  // nothing the installer can show
    EXPECT_TRUE(session.messages.empty());
}

TEST_F(ExceptionTest, QxecaShowsNoDialogDuringRollback) {
    auto& rollback = newSession(sim::RunKind::Rollback);
    auto e = CMSIException::InSource(qxeca, eCustomError, "broken", "src", 1);
    e.ProcessError(rollback.handle);
    ASSERT_EQ(rollback.messages.size(), 1u);
    EXPECT_EQ(rollback.messages[0].type, kInstallMessageInfo);
    EXPECT_NE(debugText().find("LOG: CMSIException::ProcessError, IN ROLLBACK"), std::string::npos);
    e.Delete();
}

TEST_F(ExceptionTest, QxmsicaLogsThenShowsAnErrorBoxWhateverTheRunMode) {
    auto& rollback = newSession(sim::RunKind::Rollback);
    auto e = CMSIException::InSource(qxmsica, eCustomError, "broken", "src", 1);
    machine.journal.clear();
    e.ProcessError(rollback.handle);
    ASSERT_EQ(rollback.messages.size(), 2u);
    EXPECT_EQ(rollback.messages[0].type, kInstallMessageInfo);
    EXPECT_EQ(rollback.messages[1].type, 0x03000010u);
    EXPECT_EQ(rollback.messages[1].text, "\r\nError: broken");
    EXPECT_EQ(machine.journal.count("MsiGetMode"), 0u);
    auto copy = e;  // the handler's copy shares the record
    copy.Delete();
    EXPECT_EQ(machine.installer.openRecordCount(), 0u);
}

TEST_F(ExceptionTest, ErrorCodeTextsOfBothFlavours) {
    struct Case {
        Library* library;
        Status code;
        const char* text;
    } cases[] = {
        {&qxeca, 5, "Access is denied."},
        {&qxeca, 12345, "Unidentified system error"},
        {&qxmsica, 5, "Access is denied.\r\n"},
        {&qxmsica, 12345, "Unknown error (0x3039)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ConvertErrorCodeToString(*c.library, c.code), c.text);
    }
    EXPECT_EQ(logEntries().back(),
              "INFO: CMSIException::ConvertErrorCodeToString ErrCd='0x3039' returning "
              "'Unidentified system error'");
    EXPECT_EQ(SystemMessageText(machine.platform(), 2),
              "The system cannot find the file specified.");
    EXPECT_EQ(SystemMessageText(machine.platform(), 99999), "Unidentified system error");
}

}  // namespace
}  // namespace qx::test
