#include "platform/sim/SimFileSystem.h"

#include <algorithm>
#include <cstring>

namespace qx::sim {
namespace {

std::string normalized(std::string path) {
    while (!path.empty() && path.back() == '\\') {
        path.pop_back();
    }
    return path;
}

bool isDriveRoot(const std::string& path) {
    return path.size() == 2 && path[1] == ':';
}

std::string parentOf(const std::string& path) {
    size_t slash = path.rfind('\\');
    return slash == std::string::npos ? "" : path.substr(0, slash);
}

bool overlaps(long aOffset, long aLength, long bOffset, long bLength) {
    return aOffset < bOffset + bLength && bOffset < aOffset + aLength;
}

}  // namespace

SimFileSystem::Entry* SimFileSystem::entry(const std::string& path) {
    auto it = entries_.find(normalized(path));
    return it == entries_.end() ? nullptr : &it->second;
}

const SimFileSystem::Entry* SimFileSystem::entry(const std::string& path) const {
    auto it = entries_.find(normalized(path));
    return it == entries_.end() ? nullptr : &it->second;
}

bool SimFileSystem::parentExists(const std::string& path) const {
    std::string parent = parentOf(normalized(path));
    return isDriveRoot(parent) || isDirectory(parent);
}

void SimFileSystem::makeDirectories(const std::string& path) {
    std::string target = normalized(path);
    if (target.empty() || isDriveRoot(target)) {
        return;
    }
    makeDirectories(parentOf(target));
    Entry& created = entries_[target];
    created.directory = true;
}

void SimFileSystem::writeFile(const std::string& path, const std::string& content) {
    makeDirectories(parentOf(normalized(path)));
    Entry& file = entries_[normalized(path)];
    file.directory = false;
    file.attributes = 0x20;  // FILE_ATTRIBUTE_ARCHIVE, as a new file has
    file.bytes = content;
    file.lastWriteTime = clock_.nowAsFileTime();
}

std::optional<std::string> SimFileSystem::readFile(const std::string& path) const {
    const Entry* file = entry(path);
    if (!file || file->directory) {
        return std::nullopt;
    }
    return file->bytes;
}

bool SimFileSystem::exists(const std::string& path) const {
    return isDriveRoot(normalized(path)) || entry(path) != nullptr;
}

bool SimFileSystem::isDirectory(const std::string& path) const {
    const Entry* found = entry(path);
    return isDriveRoot(normalized(path)) || (found && found->directory);
}

void SimFileSystem::remove(const std::string& path) {
    std::string target = lowerCase(normalized(path));
    for (auto it = entries_.begin(); it != entries_.end();) {
        std::string name = lowerCase(it->first);
        bool below = name == target || name.rfind(target + "\\", 0) == 0;
        it = below ? entries_.erase(it) : std::next(it);
    }
}

void SimFileSystem::lockByOtherProcess(const std::string& path, long offset, long length,
                                       std::optional<int64_t> untilUtcMilliseconds) {
    locks_.push_back({normalized(path), offset, length, -1, untilUtcMilliseconds});
}

void SimFileSystem::beforeNextLockAttempt(const std::string& path, std::function<void()> action) {
    lockHooks_[normalized(path)] = std::move(action);
}

int SimFileSystem::fail(int error) {
    errno_ = error;
    return -1;
}

SimFileSystem::Descriptor* SimFileSystem::descriptor(int fd) {
    auto it = descriptors_.find(fd);
    return it == descriptors_.end() ? nullptr : &it->second;
}

int SimFileSystem::open(const std::string& path, FileOpenMode mode) {
    Entry* file = entry(path);
    if (file && file->directory) {
        return fail(kErrnoAcces);
    }
    if (!file) {
        if (mode == FileOpenMode::ReadWriteExisting) {
            return fail(kErrnoNoEnt);
        }
        if (!parentExists(path)) {
            return fail(kErrnoNoEnt);
        }
        writeFile(path, "");
    } else if (mode == FileOpenMode::CreateTruncate) {
        file->bytes.clear();
    }
    int fd = nextFd_++;
    descriptors_[fd] = {normalized(path), 0};
    return fd;
}

long SimFileSystem::seek(int fd, long offset, SeekOrigin origin) {
    Descriptor* d = descriptor(fd);
    if (!d) {
        return fail(kErrnoBadF);
    }
    long base = 0;
    if (origin == SeekOrigin::Current) {
        base = d->position;
    } else if (origin == SeekOrigin::End) {
        base = static_cast<long>(entry(d->path)->bytes.size());
    }
    if (base + offset < 0) {
        return fail(kErrnoInval);
    }
    d->position = base + offset;
    return d->position;
}

int SimFileSystem::tryLock(int fd, long length) {
    Descriptor* d = descriptor(fd);
    if (!d) {
        return fail(kErrnoBadF);
    }
    auto hook = lockHooks_.find(d->path);
    if (hook != lockHooks_.end()) {
        auto action = std::move(hook->second);
        lockHooks_.erase(hook);
        action();
        d = descriptor(fd);
    }
    std::erase_if(locks_, [&](const Lock& lock) {
        return lock.until && *lock.until <= clock_.utcMilliseconds;
    });
    for (const auto& lock : locks_) {
        if (equalsIgnoringCase(lock.path, d->path) &&
            overlaps(lock.offset, lock.length, d->position, length)) {
            return fail(kErrnoAcces);
        }
    }
    locks_.push_back({d->path, d->position, length, fd, std::nullopt});
    return 0;
}

int SimFileSystem::unlock(int fd, long length) {
    Descriptor* d = descriptor(fd);
    if (!d) {
        return fail(kErrnoBadF);
    }
    auto it = std::find_if(locks_.begin(), locks_.end(), [&](const Lock& lock) {
        return lock.owner == fd && lock.offset == d->position && lock.length == length;
    });
    if (it == locks_.end()) {
        return fail(kErrnoAcces);
    }
    locks_.erase(it);
    return 0;
}

int SimFileSystem::read(int fd, void* buffer, unsigned size) {
    Descriptor* d = descriptor(fd);
    if (!d) {
        return fail(kErrnoBadF);
    }
    const std::string& bytes = entry(d->path)->bytes;
    long available = std::max(0L, static_cast<long>(bytes.size()) - d->position);
    long count = std::min<long>(available, size);
    std::memcpy(buffer, bytes.data() + d->position, static_cast<size_t>(count));
    d->position += count;
    return static_cast<int>(count);
}

int SimFileSystem::write(int fd, const void* data, unsigned size) {
    Descriptor* d = descriptor(fd);
    if (!d) {
        return fail(kErrnoBadF);
    }
    std::string& bytes = entry(d->path)->bytes;
    if (bytes.size() < static_cast<size_t>(d->position) + size) {
        bytes.resize(static_cast<size_t>(d->position) + size);
    }
    std::memcpy(bytes.data() + d->position, data, size);
    d->position += static_cast<long>(size);
    return static_cast<int>(size);
}

long SimFileSystem::length(int fd) {
    Descriptor* d = descriptor(fd);
    if (!d) {
        return fail(kErrnoBadF);
    }
    return static_cast<long>(entry(d->path)->bytes.size());
}

int SimFileSystem::close(int fd) {
    if (!descriptors_.erase(fd)) {
        return fail(kErrnoBadF);
    }
    std::erase_if(locks_, [fd](const Lock& lock) { return lock.owner == fd; });
    return 0;
}

uint32_t SimFileSystem::attributes(const std::string& path) const {
    if (isDriveRoot(normalized(path))) {
        return kFileAttributeDirectory;
    }
    const Entry* found = entry(path);
    if (!found) {
        return kInvalidFileAttributes;
    }
    if (found->directory) {
        return found->attributes | kFileAttributeDirectory;
    }
    return found->attributes ? found->attributes : kFileAttributeNormal;
}

bool SimFileSystem::createDirectory(const std::string& path, Status* error) {
    if (exists(path)) {
        *error = kErrorAlreadyExists;
        return false;
    }
    if (!parentExists(path)) {
        *error = kErrorPathNotFound;
        return false;
    }
    makeDirectories(path);
    return true;
}

bool SimFileSystem::setAttributes(const std::string& path, uint32_t attributes) {
    Entry* found = entry(path);
    if (!found) {
        return false;
    }
    // NORMAL means "no other attribute"; a directory keeps its directory bit.
    found->attributes =
        attributes == kFileAttributeNormal ? 0 : attributes & ~kFileAttributeDirectory;
    return true;
}

}  // namespace qx::sim

namespace qx::sim {
namespace {

// How the sim lays out a version resource in the caller's buffer.
constexpr uint32_t kVersionMagic = 0xFEEF04BD;
constexpr uint32_t kVersionInfoSize = 16;

}  // namespace

void SimFileSystem::holdOpenByOtherProcess(const std::string& path, bool held) {
    if (Entry* file = entry(path)) {
        file->heldByOtherProcess = held;
    }
}

void SimFileSystem::denyReading(const std::string& path) {
    if (Entry* file = entry(path)) {
        file->unreadable = true;
    }
}

void SimFileSystem::setVersion(const std::string& path, VersionBlock block,
                               FixedFileVersion version) {
    if (Entry* file = entry(path)) {
        file->versionBlock = block;
        file->version = version;
    }
}

void SimFileSystem::setLastWriteTime(const std::string& path, uint64_t fileTime) {
    if (Entry* file = entry(path)) {
        file->lastWriteTime = fileTime;
    }
}

std::optional<uint64_t> SimFileSystem::lastWriteTime(const std::string& path) const {
    const Entry* file = entry(path);
    return file ? std::optional<uint64_t>(file->lastWriteTime) : std::nullopt;
}

OsHandle SimFileSystem::openForRead(const std::string& path, Status* error) {
    const Entry* file = entry(path);
    if (!file) {
        *error = parentExists(path) ? kErrorFileNotFound : kErrorPathNotFound;
        return 0;
    }
    if (file->directory || file->unreadable) {
        *error = kErrorAccessDenied;  // a directory needs backup semantics to be opened
        return 0;
    }
    if (file->heldByOtherProcess) {
        *error = kErrorSharingViolation;
        return 0;
    }
    OsHandle handle = nextHandle_++;
    handles_[handle] = normalized(path);
    return handle;
}

bool SimFileSystem::lastWriteTime(OsHandle file, uint64_t* fileTime) const {
    auto it = handles_.find(file);
    if (it == handles_.end()) {
        return false;
    }
    *fileTime = entry(it->second)->lastWriteTime;
    return true;
}

bool SimFileSystem::closeHandle(OsHandle file) {
    return handles_.erase(file) > 0;
}

bool SimFileSystem::move(const std::string& from, const std::string& to, Status* error) {
    auto source = entries_.find(normalized(from));
    if (source == entries_.end()) {
        *error = kErrorFileNotFound;
        return false;
    }
    if (exists(to)) {
        *error = kErrorAlreadyExists;
        return false;
    }
    if (!parentExists(to)) {
        *error = kErrorPathNotFound;
        return false;
    }
    if (source->second.heldByOtherProcess) {
        *error = kErrorSharingViolation;
        return false;
    }
    Entry moved = source->second;
    entries_.erase(source);
    entries_[normalized(to)] = moved;
    return true;
}

uint32_t SimFileSystem::versionInfoSize(const std::string& path, Status* error) const {
    const Entry* file = entry(path);
    if (!file || file->directory) {
        *error = kErrorFileNotFound;
        return 0;
    }
    if (file->versionBlock == VersionBlock::None) {
        *error = kErrorResourceDataNotFound;
        return 0;
    }
    return kVersionInfoSize;
}

bool SimFileSystem::versionInfo(const std::string& path, uint32_t size, uint8_t* data,
                                Status* error) const {
    uint32_t needed = versionInfoSize(path, error);
    if (needed == 0) {
        return false;
    }
    if (size < needed) {
        *error = kErrorInsufficientBuffer;
        return false;
    }
    const Entry* file = entry(path);
    uint32_t words[4] = {kVersionMagic, file->versionBlock == VersionBlock::Fixed ? 1u : 0u,
                         file->version.fileVersionMS, file->version.fileVersionLS};
    std::memcpy(data, words, sizeof words);
    return true;
}

bool SimFileSystem::fixedVersion(const uint8_t* data, FixedFileVersion* version) {
    uint32_t words[4];
    std::memcpy(words, data, sizeof words);
    if (words[0] != kVersionMagic || words[1] == 0) {
        return false;
    }
    version->fileVersionMS = words[2];
    version->fileVersionLS = words[3];
    return true;
}

}  // namespace qx::sim
