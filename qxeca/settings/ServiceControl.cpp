#include "qxeca/settings/ServiceControl.h"

#include <iterator>
#include <string>

#include "common/ActionFrame.h"
#include "platform/ScopedHandle.h"

namespace qx {
namespace {

struct CodeName {
    Status code;
    const char* name;
};

// The name a table gives a code; codes outside it get the table's own default.
const char* NameOf(const CodeName* table, size_t count, Status code, const char* unlisted) {
    for (size_t i = 0; i < count; ++i) {
        if (table[i].code == code) {
            return table[i].name;
        }
    }
    return unlisted;
}

constexpr CodeName kOpenServiceCodes[] = {
    {5, "ERROR_ACCESS_DENIED"},
    {6, "ERROR_INVALID_HANDLE"},
    {123, "ERROR_INVALID_NAME"},
    {1060, "ERROR_SERVICE_DOES_NOT_EXIST"},
};

constexpr CodeName kStopCodes[] = {
    {5, "ERROR_ACCESS_DENIED"},
    {6, "ERROR_INVALID_HANDLE"},
    {87, "ERROR_INVALID_PARAMETER"},
    {1051, "ERROR_DEPENDENT_SERVICES_RUNNING"},
    {1052, "ERROR_INVALID_SERVICE_CONTROL"},
    {1053, "ERROR_SERVICE_REQUEST_TIMEOUT"},
    {1061, "ERROR_SERVICE_CANNOT_ACCEPT_CTRL"},
    {1062, "ERROR_SERVICE_NOT_ACTIVE"},
    {1115, "ERROR_SHUTDOWN_IN_PROGRESS"},
};

constexpr CodeName kStartCodes[] = {
    {3, "ERROR_PATH_NOT_FOUND"},
    {5, "ERROR_ACCESS_DENIED"},
    {6, "ERROR_INVALID_HANDLE"},
    {1053, "ERROR_SERVICE_REQUEST_TIMEOUT"},
    {1054, "ERROR_SERVICE_NO_THREAD"},
    {1055, "ERROR_SERVICE_DATABASE_LOCKED"},
    {1056, "ERROR_SERVICE_ALREADY_RUNNING"},
    {1058, "ERROR_SERVICE_DISABLED"},
    {1068, "ERROR_SERVICE_DEPENDENCY_FAIL"},
    {1069, "ERROR_SERVICE_LOGON_FAILED"},
    {1072, "ERROR_SERVICE_MARKED_FOR_DELETE"},
    {1075, "ERROR_SERVICE_DEPENDENCY_DELETED"},
};

// What tells the two requests apart: the access asked for, the call, the texts.
struct ServiceRequest {
    uint32_t access;
    bool (*send)(Platform& os, OsHandle service);
    const char* managerFailed;  // service name, code
    const char* openFailed;     // service name, code, name of the code
    const char* openUnlisted;
    const char* succeeded;   // service name
    const char* sendFailed;  // service name, code, name of the code
    const CodeName* sendCodes;
    size_t sendCodeCount;
    const char* sendUnlisted;
};

const ServiceRequest kStop{
    .access = kServiceStop,
    .send = [](Platform& os,
               OsHandle service) { return os.controlService(service, kServiceControlStop); },
    .managerFailed = "QXStopService '%s' failed to open SCM, status=%#x",
    .openFailed = "StopService did not open service '%s', status=%#x (%s)",
    .openUnlisted = "unlisted ControlService errorcode",
    .succeeded = "StopService stopped '%s' successfully",
    .sendFailed = "StopService did not stop '%s', status=%#x (%s)",
    .sendCodes = kStopCodes,
    .sendCodeCount = std::size(kStopCodes),
    .sendUnlisted = "unlisted ControlService exitcode",
};

const ServiceRequest kStart{
    .access = kServiceStart,
    .send = [](Platform& os, OsHandle service) { return os.startService(service); },
    .managerFailed = "StartService '%s' failed to open SCM, status=%#x",
    .openFailed = "StartService failed to open service '%s', status=%#x (%s)",
    .openUnlisted = "unlisted ControlService error code",
    .succeeded = "StartService started '%s' successfully",
    .sendFailed = "StartService failed to start '%s', status=%#x (%s)",
    .sendCodes = kStartCodes,
    .sendCodeCount = std::size(kStartCodes),
    .sendUnlisted = "unlisted ControlService exit code",
};

// One request, its outcome logged; the codes are taken right after the failing call.
void Request(Library& library, const std::string& service, const ServiceRequest& request) {
    Platform& os = library.os;
    CLog& log = library.log;
    const char* name = service.c_str();
    ServiceHandle manager(os, os.openSCManager(kServicesActiveDatabase, kScManagerAllAccess));
    if (!manager) {
        LogMessage(log, SEV_INFO, request.managerFailed, name, os.getLastError());
        return;
    }
    ServiceHandle handle(os, os.openService(manager.get(), name, request.access));
    if (!handle) {
        Status error = os.getLastError();
        LogMessage(
            log, SEV_INFO, request.openFailed, name, error,
            NameOf(kOpenServiceCodes, std::size(kOpenServiceCodes), error, request.openUnlisted));
        return;
    }
    if (request.send(os, handle.get())) {
        LogMessage(log, SEV_INFO, request.succeeded, name);
        return;
    }
    Status error = os.getLastError();
    LogMessage(log, SEV_INFO, request.sendFailed, name, error,
               NameOf(request.sendCodes, request.sendCodeCount, error, request.sendUnlisted));
}

// The service name is the whole CustomActionData, read before the log is opened: a failed
// read leaves the action. Neither action has a handler.
ActionFrame ServiceFrame(const char* name, const char* startLine, const char* exitLine) {
    return {
        .name = name,
        .startLine = startLine,
        .debugRead = DebugRead::None,
        .normalExit = {exitLine, false},
        .exceptionExit = {"", false},
        .onMsiException = kNoHandler,
        .onOtherException = kNoHandler,
        .startLineProperty = "CustomActionData",
    };
}

const ActionFrame kStopFrame =
    ServiceFrame("QXStopService", "----->> QXStopService (%s) starting <<-----",
                 "----->> QXStopService exit, rc=0 <<-----\n");
const ActionFrame kStartFrame =
    ServiceFrame("QXStartService", "----->> QXStartService (%s) starting <<-----",
                 "----->> QXStartService Exiting, rc=0 <<-----\n");

}  // namespace

uint32_t QXStopService(Library& library, MsiHandle session) {
    return RunAction(library, session, kStopFrame, [&](const std::string& service) {
        Request(library, service, kStop);
        return ActionEnd(kErrorSuccess);
    });
}

uint32_t QXStartService(Library& library, MsiHandle session) {
    return RunAction(library, session, kStartFrame, [&](const std::string& service) {
        Request(library, service, kStart);
        return ActionEnd(kErrorSuccess);
    });
}

}  // namespace qx
