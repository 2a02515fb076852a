#include "SettingsTest.h"
#include "common/Format.h"
#include "qxeca/settings/TaskOffload.h"

namespace qx::test {
namespace {

const std::string kTcpip = "HKLM\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters";
const std::string kCount = "HKLM\\SYSTEM\\CurrentControlSet\\Services\\QXE\\Parameters";
const char* kValue = "DisableTaskOffload";

std::string TcpLine(Status rc, int value) {
    return "INFO: SetTCPDisableTaskOffload: WriteRegValueDWORD got rc=" + formatText("%x", rc) +
           " writing " + std::to_string(value) +
           " to SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters ";
}

class TaskOffloadTest : public SettingsTest {
  protected:
    uint32_t run(uint32_t (*action)(Library&, MsiHandle)) {
        clearLog();
        return action(qxeca, scriptSession(sim::RunKind::Deferred, "").handle);
    }
    std::optional<uint32_t> count() const { return machine.registry.dword(kCount, kValue); }
    std::optional<uint32_t> tcp() const { return machine.registry.dword(kTcpip, kValue); }
};

TEST_F(TaskOffloadTest, IncrementOnACleanMachineThenDecrementBackToZero) {
    machine.registry.createKey(kTcpip);
    EXPECT_EQ(run(QX_IncrementDisableTaskOffload), 0u);
    EXPECT_EQ(tcp(), 1u);
    EXPECT_EQ(count(), 1u);
    EXPECT_EQ(logEntries(),
              (std::vector<std::string>{
                  "INFO: qxeca dll version 1.5.2.18338",
                  "INFO: ----->> QX_IncrementDisableTaskOffload Starting <<-----",
                  TcpLine(0, 1),
                  "INFO: Managing DisableTaskOffload: Opening registry key for read failed, will "
                  "try to create it:",
                  "INFO: Managing DisableTaskOffload: Reading registry value failed, will try to "
                  "create it:",
                  "INFO: ----->> QX_IncrementDisableTaskOffload normal exit <<-----",
                  "",
              }));

    EXPECT_EQ(run(QX_DecrementDisableTaskOffload), 0u);
    EXPECT_EQ(count(), 0u);
    EXPECT_EQ(tcp(), 0u);
    EXPECT_EQ(workEntries(),
              (std::vector<std::string>{"INFO: zeroing the TCP setting", TcpLine(0, 0)}));
    EXPECT_EQ(exitEntry(), "INFO: ----->> QX_DecrementDisableTaskOffload normal exit <<-----");
    EXPECT_TRUE(InfoTexts(session).empty());
}

TEST_F(TaskOffloadTest, DecrementLowersTheCountAndAllowsOffloadOnlyAtZero) {
    struct Case {
        std::optional<uint32_t> before;
        uint32_t after;
        bool zeroesTcp;
    } cases[] = {
        {3, 2, false},
        {1, 0, true},
        {0, 0, true},             // no wrap below zero
        {std::nullopt, 0, true},  // a missing count is taken as 1
    };
    for (const auto& c : cases) {
        machine.registry.deleteKey(kCount);
        if (c.before) {
            machine.registry.setDword(kCount, kValue, *c.before);
        }
        machine.registry.setDword(kTcpip, kValue, 1);
        EXPECT_EQ(run(QX_DecrementDisableTaskOffload), 0u);
        std::string where = c.before ? std::to_string(*c.before) : "missing";
        EXPECT_EQ(count(), c.after) << where;
        EXPECT_EQ(tcp(), c.zeroesTcp ? 0u : 1u) << where;
        auto work = workEntries();
        EXPECT_EQ(!work.empty() && work.back() == TcpLine(0, 0), c.zeroesTcp) << where;
    }
}

TEST_F(TaskOffloadTest, IncrementRaisesAnExistingCount) {
    machine.registry.createKey(kTcpip);
    machine.registry.setDword(kCount, kValue, 3);
    EXPECT_EQ(run(QX_IncrementDisableTaskOffload), 0u);
    EXPECT_EQ(count(), 4u);
    EXPECT_EQ(tcp(), 1u);
    EXPECT_EQ(workEntries(), std::vector<std::string>{TcpLine(0, 1)});
    machine.registry.setDword(kCount, kValue, 0xFFFFFFFF);
    EXPECT_EQ(run(QX_IncrementDisableTaskOffload), 0u);
    EXPECT_EQ(count(), 0u);  // unsigned arithmetic, no upper limit
}

TEST_F(TaskOffloadTest, ShortTextCountIsAWrongTypeAndStaysAlone) {
    for (auto action : {QX_IncrementDisableTaskOffload, QX_DecrementDisableTaskOffload}) {
        machine.registry.setString(kCount, kValue, "7");
        EXPECT_EQ(run(action), 1603u);
        EXPECT_EQ(machine.registry.string(kCount, kValue), "7");
        auto work = workEntries();
        EXPECT_EQ(work.back(),
                  "ERROR: Error managing DisableTaskOffload: Registry value has "
                  "unexpected type: status 80004005");
    }
    EXPECT_EQ(exitEntry(),
              "INFO: ----->> QX_DecrementDisableTaskOffload abnormal exit, "
              "ReadSetRegValueDWORD rc = 80004005 <<-----");
    run(QX_IncrementDisableTaskOffload);
    EXPECT_EQ(exitEntry(),
              "ERROR: ----->> QX_IncrementDisableTaskOffload abnormal exit, "
              "ReadSetRegValueDWORD rc = 80004005 <<-----");
}

TEST_F(TaskOffloadTest, LongTextCountIsReplacedByTheDefault) {
    struct Case {
        uint32_t (*action)(Library&, MsiHandle);
        uint32_t after;
    } cases[] = {{QX_IncrementDisableTaskOffload, 1}, {QX_DecrementDisableTaskOffload, 0}};
    for (const auto& c : cases) {
        machine.registry.setString(kCount, kValue, "12345");
        EXPECT_EQ(run(c.action), 0u);
        EXPECT_EQ(count(), c.after);
        auto work = workEntries();
        EXPECT_NE(std::find(work.begin(), work.end(),
                            "INFO: Managing DisableTaskOffload: Reading registry value failed, "
                            "will try to create it:"),
                  work.end());
    }
}

TEST_F(TaskOffloadTest, UnwritableTcpipKeyFailsAndLeavesTheCount) {
    machine.registry.setDword(kTcpip, kValue, 0);
    machine.registry.denyWrites(kTcpip);
    machine.registry.setDword(kCount, kValue, 2);
    const std::vector<std::string> writeFailed = {
        "INFO: WriteRegValueDWORD Opening registry key for write failed, will try to create it",
        "ERROR: WriteRegValueDWORD Creating registry key for write failed, rc=5",
        TcpLine(5, 1),
    };
    EXPECT_EQ(run(QX_IncrementDisableTaskOffload), 1603u);
    EXPECT_EQ(workEntries(), writeFailed);
    EXPECT_EQ(exitEntry(),
              "INFO: ----->> QX_IncrementDisableTaskOffload abnormal exit, "
              "SetTCPDisableTaskOffload rc = 5 <<-----");
    EXPECT_EQ(count(), 2u);

    EXPECT_EQ(run(QX_TCPDisableTaskOffload), 1603u);
    EXPECT_EQ(workEntries(), writeFailed);
    EXPECT_EQ(exitEntry(),
              "INFO: ----->> QX_TCPDisableTaskOffload error exit, "
              "SetTCPDisableTaskOffloadreturned 5 <<-----");
    EXPECT_EQ(tcp(), 0u);

    // Allowing offload again is only logged: the decrement still succeeds.
    machine.registry.setDword(kCount, kValue, 1);
    EXPECT_EQ(run(QX_DecrementDisableTaskOffload), 0u);
    EXPECT_EQ(count(), 0u);
    EXPECT_EQ(workEntries().back(), TcpLine(5, 0));
}

TEST_F(TaskOffloadTest, DisableSetsTheTcpipValueAndNeverTouchesTheCount) {
    EXPECT_EQ(run(QX_TCPDisableTaskOffload), 0u);
    EXPECT_EQ(tcp(), 1u);
    EXPECT_FALSE(machine.registry.keyExists(kCount));
    EXPECT_EQ(workEntries(),
              (std::vector<std::string>{
                  "INFO: WriteRegValueDWORD Opening registry key for write failed, will try to "
                  "create it",
                  TcpLine(0, 1),
              }));
    EXPECT_EQ(exitEntry(), "INFO: ----->> QX_TCPDisableTaskOffload normal exit <<-----");
}

TEST_F(TaskOffloadTest, CountFailuresNameTheStepAndCode) {
    struct Case {
        uint32_t (*action)(Library&, MsiHandle);
        const char* failing;
        int nth;
        const char* failureLine;
        const char* exitLine;
    } cases[] = {
        {QX_IncrementDisableTaskOffload, "RegCreateKeyEx", 1,
         "ERROR: Error managing DisableTaskOffload: Creating registry key for read failed: status "
         "5",
         "ERROR: ----->> QX_IncrementDisableTaskOffload abnormal exit, ReadSetRegValueDWORD rc = 5 "
         "<<-----"},
        {QX_DecrementDisableTaskOffload, "RegCreateKeyEx", 1,
         "ERROR: Error managing DisableTaskOffload: Creating registry key for read failed: status "
         "5",
         "INFO: ----->> QX_DecrementDisableTaskOffload abnormal exit, ReadSetRegValueDWORD rc = 5 "
         "<<-----"},
        {QX_DecrementDisableTaskOffload, "RegSetValueEx", 1,
         "ERROR: Error managing DisableTaskOffload: Creating registry value failed: status 5",
         "INFO: ----->> QX_DecrementDisableTaskOffload abnormal exit, ReadSetRegValueDWORD rc = 5 "
         "<<-----"},
        {QX_IncrementDisableTaskOffload, "RegSetValueEx", 3,
         "ERROR: WriteRegValueDWORD Writing registry key value '1' failed, rc=5",
         "ERROR: ----->> QX_IncrementDisableTaskOffload abnormal exit, WriteRegValueDWORD rc = 5 "
         "<<-----"},
        {QX_DecrementDisableTaskOffload, "RegSetValueEx", 2,
         "ERROR: WriteRegValueDWORD Writing registry key value '0' failed, rc=5",
         "INFO: ----->> QX_DecrementDisableTaskOffload abnormal exit, WriteRegValueDWORD rc = 5 "
         "<<-----"},
    };
    for (const auto& c : cases) {
        machine.registry.deleteKey(kCount);
        machine.registry.setDword(kTcpip, kValue, 1);
        machine.journal.failNth(c.failing, c.nth, kErrorAccessDenied);
        EXPECT_EQ(run(c.action), 1603u) << c.exitLine;
        EXPECT_EQ(workEntries().back(), c.failureLine);
        EXPECT_EQ(exitEntry(), c.exitLine);
        EXPECT_EQ(tcp(), 1u);
        machine.journal.clear();
    }
}

TEST_F(TaskOffloadTest, FailedClosesAreLoggedButDoNotFail) {
    machine.registry.setDword(kCount, kValue, 2);
    machine.journal.failNth("RegCloseKey", 1, kErrorInvalidHandle);  // after the TCP/IP write
    machine.journal.failNth("RegCloseKey", 2, kErrorInvalidHandle);  // after reading the count
    EXPECT_EQ(run(QX_IncrementDisableTaskOffload), 0u);
    EXPECT_EQ(count(), 3u);
    EXPECT_EQ(workEntries(),
              (std::vector<std::string>{
                  "INFO: WriteRegValueDWORD Opening registry key for write failed, will try to "
                  "create it",
                  "ERROR: WriteRegValueDWORD Closing registry key failed",
                  TcpLine(0, 1),
                  "INFO: Managing DisableTaskOffload: Closing registry key failed:",
              }));
}

TEST(TaskOffload64, WorksOnTheNativeViewOfA64BitMachine) {
    sim::SimMachine m(kProcessorArchitectureAmd64);
    Library library(m.platform(), kQxeca);
    auto& deferred = m.installer.openSession(sim::RunKind::Deferred);
    m.registry.setDword(kCount, kValue, 1);
    EXPECT_EQ(QX_IncrementDisableTaskOffload(library, deferred.handle), 0u);
    std::vector<std::string> opened;
    for (const auto& call : m.journal.calls("RegOpenKeyEx")) {
        opened.push_back(call.arguments);
    }
    EXPECT_EQ(opened, (std::vector<std::string>{
                          kTcpip + " access=0x20106",
                          kCount + " access=0x2011f",
                          kCount + " access=0x20106",
                      }));
    EXPECT_EQ(m.journal.calls("RegCreateKeyEx")[0].arguments, kTcpip + " access=0x20106");
    EXPECT_EQ(m.registry.dword(kCount, kValue), 2u);
}

}  // namespace
}  // namespace qx::test
