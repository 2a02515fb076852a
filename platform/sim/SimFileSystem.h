#pragma once
// The file system of the simulated machine: directories, files as bytes, the C runtime's
// descriptors with their positions, byte-range locks (also ones another process holds), and a
// hook that lets "another process" act at the moment a lock is asked for.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/sim/CaseInsensitive.h"
#include "platform/sim/SimClock.h"

namespace qx::sim {

class SimFileSystem {
public:
    explicit SimFileSystem(const SimClock& clock) : clock_(clock) {}

    // --- Set-up and inspection. Paths are absolute ("C:\\WINDOWS\\temp\\qxeca.log"); drive
    // roots always exist.
    void makeDirectories(const std::string& path);  // with all missing parents
    void writeFile(const std::string& path, const std::string& content);
    std::optional<std::string> readFile(const std::string& path) const;
    bool exists(const std::string& path) const;
    bool isDirectory(const std::string& path) const;
    void remove(const std::string& path);  // a file, or a directory with everything below it
    // Another process holds `length` bytes from `offset` locked, until the virtual time given
    // (or for good).
    void lockByOtherProcess(const std::string& path, long offset, long length,
                            std::optional<int64_t> untilUtcMilliseconds = std::nullopt);
    // Runs once, at the start of the next lock attempt on the path: how a test lets another
    // process append between a writer's seek and its lock.
    void beforeNextLockAttempt(const std::string& path, std::function<void()> action);
    size_t openDescriptorCount() const { return descriptors_.size(); }

    // --- The calls behind the seam (C runtime semantics; errno in lastErrno()).
    int open(const std::string& path, FileOpenMode mode);
    long seek(int fd, long offset, SeekOrigin origin);
    int tryLock(int fd, long length);
    int unlock(int fd, long length);
    int read(int fd, void* buffer, unsigned size);
    int write(int fd, const void* data, unsigned size);
    long length(int fd);
    int close(int fd);
    int lastErrno() const { return errno_; }
    void setErrno(int value) { errno_ = value; }
    uint32_t attributes(const std::string& path) const;
    bool createDirectory(const std::string& path, Status* error);
    bool setAttributes(const std::string& path, uint32_t attributes);

private:
    struct Entry {
        bool directory = false;
        uint32_t attributes = 0;
        std::string bytes;
    };
    struct Descriptor {
        std::string path;
        long position = 0;
    };
    struct Lock {
        std::string path;
        long offset;
        long length;
        int owner;  // descriptor, or -1 for another process
        std::optional<int64_t> until;
    };

    Entry* entry(const std::string& path);
    const Entry* entry(const std::string& path) const;
    Descriptor* descriptor(int fd);
    bool parentExists(const std::string& path) const;
    int fail(int error);

    const SimClock& clock_;
    std::map<std::string, Entry, CaseInsensitiveLess> entries_;
    std::map<int, Descriptor> descriptors_;
    std::vector<Lock> locks_;
    std::map<std::string, std::function<void()>, CaseInsensitiveLess> lockHooks_;
    int nextFd_ = 3;
    int errno_ = 0;
};

}  // namespace qx::sim
