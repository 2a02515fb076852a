#pragma once
// One owner for every handle the actions get from the platform: the handle plus the platform call
// that closes it. Domain code never closes a handle by hand.

#include <utility>

#include "platform/Platform.h"

namespace qx {

template <typename Traits>
class ScopedHandle {
  public:
    using Handle = typename Traits::Handle;

    explicit ScopedHandle(Platform& os, Handle handle = Traits::invalid())
        : os_(&os), handle_(handle) {}
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ScopedHandle(ScopedHandle&& other) noexcept
        : os_(other.os_), handle_(std::exchange(other.handle_, Traits::invalid())) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept {
        if (this != &other) {
            reset();
            os_ = other.os_;
            handle_ = std::exchange(other.handle_, Traits::invalid());
        }
        return *this;
    }
    ~ScopedHandle() { reset(); }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Traits::invalid(); }
    // For the calls that return a handle through a pointer; closes what was held before.
    Handle* receive() {
        reset();
        return &handle_;
    }
    void reset() {
        if (handle_ != Traits::invalid()) {
            Traits::close(*os_, std::exchange(handle_, Traits::invalid()));
        }
    }
    // Closes a held handle now and hands back what the close call answered, for the callers
    // that report a failed close.
    auto close() { return Traits::close(*os_, std::exchange(handle_, Traits::invalid())); }

  private:
    Platform* os_;
    Handle handle_;
};

struct RegistryKeyTraits {
    using Handle = OsHandle;
    static Handle invalid() { return 0; }
    static Status close(Platform& os, Handle key) { return os.regCloseKey(key); }
};

struct InstallerRecordTraits {
    using Handle = MsiHandle;
    static Handle invalid() { return 0; }
    static void close(Platform& os, Handle record) { os.msiCloseHandle(record); }
};

struct CrtFileTraits {
    using Handle = int;
    static Handle invalid() { return -1; }
    static void close(Platform& os, Handle fd) { os.fileClose(fd); }
};

// SC_HANDLE of the service control manager or of a service.
struct ServiceHandleTraits {
    using Handle = OsHandle;
    static Handle invalid() { return 0; }
    static bool close(Platform& os, Handle handle) { return os.closeServiceHandle(handle); }
};

// A kernel object handle: a file opened with CreateFile, a new process or its thread.
struct KernelHandleTraits {
    using Handle = OsHandle;
    static Handle invalid() { return 0; }
    static bool close(Platform& os, Handle handle) { return os.closeHandle(handle); }
};

using RegistryKey = ScopedHandle<RegistryKeyTraits>;
using ServiceHandle = ScopedHandle<ServiceHandleTraits>;
using KernelHandle = ScopedHandle<KernelHandleTraits>;
using InstallerRecord = ScopedHandle<InstallerRecordTraits>;
using CrtFile = ScopedHandle<CrtFileTraits>;

}  // namespace qx
