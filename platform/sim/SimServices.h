#pragma once
// The service control manager of the simulated machine: services with their state, whether they
// accept the stop control, are disabled or refuse the caller, and the handles a caller holds.

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "platform/Win32Types.h"
#include "platform/sim/CaseInsensitive.h"

namespace qx::sim {

enum class ServiceState { Stopped, StartPending, Running, StopPending };

struct SimService {
    ServiceState state = ServiceState::Stopped;
    bool acceptsStop = true;
    bool disabled = false;
    bool accessDenied = false;             // opening it fails with 5
    std::optional<Status> startFailure;    // StartService fails with this code
    std::optional<Status> controlFailure;  // ControlService fails with this code
};

class SimServices {
  public:
    SimService& add(const std::string& name, ServiceState state = ServiceState::Stopped);
    SimService* find(const std::string& name);
    bool managerAccessDenied = false;  // OpenSCManager fails with 5
    size_t openHandleCount() const { return handles_.size(); }

    // --- The calls behind the seam: 0 / false with *error on failure.
    OsHandle openManager(const std::string& database, Status* error);
    OsHandle openService(OsHandle manager, const std::string& name, uint32_t access, Status* error);
    bool start(OsHandle service, Status* error);
    bool control(OsHandle service, uint32_t control, Status* error);
    bool close(OsHandle handle, Status* error);

  private:
    struct Handle {
        std::string service;  // empty for the manager
        uint32_t access = 0;
    };
    SimService* serviceOf(OsHandle handle, uint32_t neededAccess, Status* error);

    std::map<std::string, SimService, CaseInsensitiveLess> services_;
    std::map<OsHandle, Handle> handles_;
    OsHandle nextHandle_ = 0x30000;
};

}  // namespace qx::sim
