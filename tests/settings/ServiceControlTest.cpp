#include "SettingsTest.h"
#include "common/ExportGuard.h"
#include "common/Format.h"
#include "qxeca/settings/ServiceControl.h"

namespace qx::test {
namespace {

class ServiceControlTest : public SettingsTest {
  protected:
    uint32_t stop(const std::string& name) {
        clearLog();
        last = &scriptSession(sim::RunKind::Deferred, name);
        return QXStopService(qxeca, last->handle);
    }
    uint32_t start(const std::string& name) {
        clearLog();
        last = &scriptSession(sim::RunKind::Deferred, name);
        return QXStartService(qxeca, last->handle);
    }
    sim::SimSession* last = nullptr;
};

TEST_F(ServiceControlTest, StopSendsTheStopControlAndDoesNotWait) {
    machine.services.add("QxSvc", sim::ServiceState::Running);
    EXPECT_EQ(stop("QxSvc"), 0u);
    EXPECT_EQ(machine.services.find("QxSvc")->state, sim::ServiceState::StopPending);
    EXPECT_EQ(logEntries(), (std::vector<std::string>{
                                "INFO: qxeca dll version 1.5.2.18338",
                                "INFO: ----->> QXStopService (QxSvc) starting <<-----",
                                "INFO: StopService stopped 'QxSvc' successfully",
                                "INFO: ----->> QXStopService exit, rc=0 <<-----",
                                "",
                            }));
    EXPECT_TRUE(InfoTexts(*last).empty());
    EXPECT_EQ(machine.journal.calls("OpenSCManager")[0].arguments, "ServicesActive access=0xf003f");
    EXPECT_EQ(machine.journal.calls("OpenService")[0].arguments, "QxSvc access=0x20");
    EXPECT_EQ(machine.openHandleCount(), 0u);
}

TEST_F(ServiceControlTest, StartLaunchesTheServiceAndDoesNotWait) {
    machine.services.add("QxSvc", sim::ServiceState::Stopped);
    EXPECT_EQ(start("QxSvc"), 0u);
    EXPECT_EQ(machine.services.find("QxSvc")->state, sim::ServiceState::StartPending);
    EXPECT_EQ(logEntries(), (std::vector<std::string>{
                                "INFO: qxeca dll version 1.5.2.18338",
                                "INFO: ----->> QXStartService (QxSvc) starting <<-----",
                                "INFO: StartService started 'QxSvc' successfully",
                                "INFO: ----->> QXStartService Exiting, rc=0 <<-----",
                                "",
                            }));
    EXPECT_EQ(machine.journal.calls("OpenService")[0].arguments, "QxSvc access=0x10");
    EXPECT_EQ(machine.openHandleCount(), 0u);
}

TEST_F(ServiceControlTest, ServicesThatCannotChangeAreLoggedAndSetupGoesOn) {
    machine.services.add("Running", sim::ServiceState::Running);
    machine.services.add("Stopped", sim::ServiceState::Stopped);
    machine.services.add("Disabled", sim::ServiceState::Stopped).disabled = true;
    machine.services.add("Stubborn", sim::ServiceState::Running).acceptsStop = false;
    machine.services.add("Guarded", sim::ServiceState::Running).accessDenied = true;

    struct Case {
        bool stops;
        const char* service;
        std::string line;
    } cases[] = {
        {false, "Running",
         "StartService failed to start 'Running', status=0x420 (ERROR_SERVICE_ALREADY_RUNNING)"},
        {false, "Disabled",
         "StartService failed to start 'Disabled', status=0x422 (ERROR_SERVICE_DISABLED)"},
        {true, "Stopped",
         "StopService did not stop 'Stopped', status=0x426 (ERROR_SERVICE_NOT_ACTIVE)"},
        {true, "Stubborn",
         "StopService did not stop 'Stubborn', status=0x425 (ERROR_SERVICE_CANNOT_ACCEPT_CTRL)"},
        {true, "Missing",
         "StopService did not open service 'Missing', status=0x424 "
         "(ERROR_SERVICE_DOES_NOT_EXIST)"},
        {false, "Missing",
         "StartService failed to open service 'Missing', status=0x424 "
         "(ERROR_SERVICE_DOES_NOT_EXIST)"},
        {true, "", "StopService did not open service '', status=0x7b (ERROR_INVALID_NAME)"},
        {false, "Guarded",
         "StartService failed to open service 'Guarded', status=0x5 (ERROR_ACCESS_DENIED)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.stops ? stop(c.service) : start(c.service), 0u) << c.line;
        EXPECT_EQ(workEntries(), std::vector<std::string>{"INFO: " + c.line});
        EXPECT_EQ(machine.openHandleCount(), 0u) << c.line;
    }
}

TEST_F(ServiceControlTest, EachCallHasItsOwnTableOfCodeNames) {
    machine.services.add("QxSvc", sim::ServiceState::Running);
    struct Case {
        bool stops;
        const char* failing;
        Status code;
        const char* name;
    } cases[] = {
        {true, "OpenService", 6, "ERROR_INVALID_HANDLE"},
        {true, "OpenService", 1057, "unlisted ControlService errorcode"},
        {false, "OpenService", 1057, "unlisted ControlService error code"},
        {true, "ControlService", 5, "ERROR_ACCESS_DENIED"},
        {true, "ControlService", 6, "ERROR_INVALID_HANDLE"},
        {true, "ControlService", 87, "ERROR_INVALID_PARAMETER"},
        {true, "ControlService", 1051, "ERROR_DEPENDENT_SERVICES_RUNNING"},
        {true, "ControlService", 1052, "ERROR_INVALID_SERVICE_CONTROL"},
        {true, "ControlService", 1053, "ERROR_SERVICE_REQUEST_TIMEOUT"},
        {true, "ControlService", 1115, "ERROR_SHUTDOWN_IN_PROGRESS"},
        {true, "ControlService", 1056, "unlisted ControlService exitcode"},
        {false, "StartService", 3, "ERROR_PATH_NOT_FOUND"},
        {false, "StartService", 5, "ERROR_ACCESS_DENIED"},
        {false, "StartService", 6, "ERROR_INVALID_HANDLE"},
        {false, "StartService", 1053, "ERROR_SERVICE_REQUEST_TIMEOUT"},
        {false, "StartService", 1054, "ERROR_SERVICE_NO_THREAD"},
        {false, "StartService", 1055, "ERROR_SERVICE_DATABASE_LOCKED"},
        {false, "StartService", 1068, "ERROR_SERVICE_DEPENDENCY_FAIL"},
        {false, "StartService", 1069, "ERROR_SERVICE_LOGON_FAILED"},
        {false, "StartService", 1072, "ERROR_SERVICE_MARKED_FOR_DELETE"},
        {false, "StartService", 1075, "ERROR_SERVICE_DEPENDENCY_DELETED"},
        {false, "StartService", 1057, "unlisted ControlService exit code"},
        {false, "StartService", 1062, "unlisted ControlService exit code"},
    };
    for (const auto& c : cases) {
        machine.journal.failNth(c.failing, 1, c.code);
        EXPECT_EQ(c.stops ? stop("QxSvc") : start("QxSvc"), 0u);
        std::string line = workEntries().at(0);
        std::string wanted = formatText("status=%#x (%s)", c.code, c.name);
        EXPECT_EQ(line.substr(line.size() - std::min(line.size(), wanted.size())), wanted)
            << c.failing << " " << c.code << ": " << line;
    }
}

TEST_F(ServiceControlTest, ManagerThatCannotBeOpenedIsLogged) {
    machine.services.add("QxSvc", sim::ServiceState::Running);
    machine.services.managerAccessDenied = true;
    EXPECT_EQ(stop("QxSvc"), 0u);
    EXPECT_EQ(workEntries(), std::vector<std::string>{
                                 "INFO: QXStopService 'QxSvc' failed to open SCM, status=0x5"});
    EXPECT_EQ(start("QxSvc"), 0u);
    EXPECT_EQ(workEntries(), std::vector<std::string>{
                                 "INFO: StartService 'QxSvc' failed to open SCM, status=0x5"});
    EXPECT_EQ(exitEntry(), "INFO: ----->> QXStartService Exiting, rc=0 <<-----");
    EXPECT_EQ(machine.services.find("QxSvc")->state, sim::ServiceState::Running);
}

TEST_F(ServiceControlTest, NameIsTheWholeDataUntrimmed) {
    machine.services.add("QxSvc", sim::ServiceState::Stopped);
    EXPECT_EQ(start(" QxSvc"), 0u);
    EXPECT_EQ(logEntries()[1], "INFO: ----->> QXStartService ( QxSvc) starting <<-----");
    EXPECT_EQ(machine.journal.calls("OpenService").back().arguments, " QxSvc access=0x10");
    EXPECT_EQ(machine.services.find("QxSvc")->state, sim::ServiceState::Stopped);
}

TEST_F(ServiceControlTest, UnreadableNameLeavesTheActionToTheExportGuard) {
    machine.services.add("QxSvc", sim::ServiceState::Running);
    struct Export {
        const char* name;
        Action action;
    } exports[] = {{"QXStopService", QXStopService}, {"QXStartService", QXStartService}};
    for (const auto& [exportName, action] : exports) {
        auto& deferred = scriptSession(sim::RunKind::Deferred, "QxSvc");
        machine.journal.failNth("MsiGetProperty", 1, kErrorInvalidHandle);
        EXPECT_EQ(GuardExport(qxeca, exportName, deferred.handle, action), 1603u);
        EXPECT_EQ(InfoTexts(deferred),
                  std::vector<std::string>{std::string("QXECA: ----->> ") + exportName +
                                           " unhandled exception (CMSIException kind 5), "
                                           "returning ERROR_INSTALL_FAILURE <<-----\n"});
    }
    // Read before the log is opened: nothing reaches the file, and no service is touched.
    EXPECT_FALSE(machine.files.exists(kLogPath));
    EXPECT_EQ(machine.journal.count("OpenSCManager"), 0u);
}

}  // namespace
}  // namespace qx::test
