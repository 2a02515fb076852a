#pragma once
// The file system of the simulated machine: directories, files as bytes with their last-write
// time and version block, files another process holds open or that refuse reading, the C
// runtime's descriptors with their positions, byte-range locks (also ones another process
// holds), a hook that lets "another process" act at the moment a lock is asked for, and the
// kernel file handles of CreateFile.

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
    // Another process has the file open: an open without sharing fails with 32.
    void holdOpenByOtherProcess(const std::string& path, bool held = true);
    void denyReading(const std::string& path);  // an open for reading fails with 5
    // The version resource of an executable: none (the default), or one with or without its
    // fixed block.
    enum class VersionBlock { None, WithoutFixedBlock, Fixed };
    void setVersion(const std::string& path, VersionBlock block, FixedFileVersion version = {});
    void setLastWriteTime(const std::string& path, uint64_t fileTime);
    std::optional<uint64_t> lastWriteTime(const std::string& path) const;
    size_t openHandleCount() const { return handles_.size(); }

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
    // The kernel calls: Win32 status in *error on failure.
    OsHandle openForRead(const std::string& path, Status* error);
    bool lastWriteTime(OsHandle file, uint64_t* fileTime) const;
    bool closeHandle(OsHandle file);
    bool move(const std::string& from, const std::string& to, Status* error);
    uint32_t versionInfoSize(const std::string& path, Status* error) const;
    // The version resource as the sim stores it in the caller's buffer; read back by
    // fixedVersion.
    bool versionInfo(const std::string& path, uint32_t size, uint8_t* data, Status* error) const;
    static bool fixedVersion(const uint8_t* data, FixedFileVersion* version);

  private:
    struct Entry {
        bool directory = false;
        uint32_t attributes = 0;
        std::string bytes;
        uint64_t lastWriteTime = 0;
        bool heldByOtherProcess = false;
        bool unreadable = false;
        VersionBlock versionBlock = VersionBlock::None;
        FixedFileVersion version;
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
    std::map<OsHandle, std::string> handles_;
    OsHandle nextHandle_ = 0x10000;
    int nextFd_ = 3;
    int errno_ = 0;
};

}  // namespace qx::sim
