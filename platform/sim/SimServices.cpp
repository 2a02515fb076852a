#include "platform/sim/SimServices.h"

namespace qx::sim {

SimService& SimServices::add(const std::string& name, ServiceState state) {
    SimService& service = services_[name];
    service.state = state;
    return service;
}

SimService* SimServices::find(const std::string& name) {
    auto it = services_.find(name);
    return it == services_.end() ? nullptr : &it->second;
}

OsHandle SimServices::openManager(const std::string& database, Status* error) {
    if (managerAccessDenied) {
        *error = kErrorAccessDenied;
        return 0;
    }
    if (database != kServicesActiveDatabase) {
        *error = 1065;  // ERROR_DATABASE_DOES_NOT_EXIST
        return 0;
    }
    OsHandle handle = nextHandle_++;
    handles_[handle] = {"", kScManagerAllAccess};
    return handle;
}

OsHandle SimServices::openService(OsHandle manager, const std::string& name, uint32_t access,
                                  Status* error) {
    auto it = handles_.find(manager);
    if (it == handles_.end() || !it->second.service.empty()) {
        *error = kErrorInvalidHandle;
        return 0;
    }
    if (name.empty()) {
        *error = kErrorInvalidName;
        return 0;
    }
    SimService* service = find(name);
    if (!service) {
        *error = kErrorServiceDoesNotExist;
        return 0;
    }
    if (service->accessDenied) {
        *error = kErrorAccessDenied;
        return 0;
    }
    OsHandle handle = nextHandle_++;
    handles_[handle] = {name, access};
    return handle;
}

SimService* SimServices::serviceOf(OsHandle handle, uint32_t neededAccess, Status* error) {
    auto it = handles_.find(handle);
    if (it == handles_.end() || it->second.service.empty()) {
        *error = kErrorInvalidHandle;
        return nullptr;
    }
    if (!(it->second.access & neededAccess)) {
        *error = kErrorAccessDenied;
        return nullptr;
    }
    return find(it->second.service);
}

bool SimServices::start(OsHandle handle, Status* error) {
    SimService* service = serviceOf(handle, kServiceStart, error);
    if (!service) {
        return false;
    }
    if (service->startFailure) {
        *error = *service->startFailure;
        return false;
    }
    if (service->disabled) {
        *error = kErrorServiceDisabled;
        return false;
    }
    if (service->state != ServiceState::Stopped) {
        *error = kErrorServiceAlreadyRunning;
        return false;
    }
    // StartService returns once the service has been launched, before it reports running.
    service->state = ServiceState::StartPending;
    return true;
}

bool SimServices::control(OsHandle handle, uint32_t control, Status* error) {
    SimService* service =
        serviceOf(handle, control == kServiceControlStop ? kServiceStop : 0, error);
    if (!service) {
        return false;
    }
    if (service->controlFailure) {
        *error = *service->controlFailure;
        return false;
    }
    if (control != kServiceControlStop) {
        *error = kErrorInvalidServiceControl;
        return false;
    }
    if (service->state == ServiceState::Stopped) {
        *error = kErrorServiceNotActive;
        return false;
    }
    if (!service->acceptsStop) {
        *error = 1061;  // ERROR_SERVICE_CANNOT_ACCEPT_CTRL
        return false;
    }
    service->state = ServiceState::StopPending;
    return true;
}

bool SimServices::close(OsHandle handle, Status* error) {
    if (!handles_.erase(handle)) {
        *error = kErrorInvalidHandle;
        return false;
    }
    return true;
}

}  // namespace qx::sim
