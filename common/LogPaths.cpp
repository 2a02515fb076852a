#include "common/LogPaths.h"

#include <vector>

#include "common/DebugOut.h"

namespace qx {
namespace {

constexpr uint32_t kMaxPath = 260;

}  // namespace

bool GetSWindowsDirectory(CLog& log, std::string& path, size_t capacity) {
    char windows[kMaxPath] = {};
    uint32_t length = log.os.getWindowsDirectory(windows, kMaxPath);
    if (length == 0 || length >= kMaxPath || !GetSPathName(log, windows, path, capacity)) {
        LogMessage(log, SEV_ERROR, "GetSWindowsDirectory error");
        return false;
    }
    return true;
}

bool GetSPathName(CLog& log, const std::string& source, std::string& path, size_t capacity) {
    Platform& os = log.os;
    char expanded[kMaxPath] = {};
    uint32_t needed = os.expandEnvironmentStrings(source.c_str(), expanded, kMaxPath);
    if (needed == 0 || needed > kMaxPath) {
        LogMessage(log, SEV_ERROR, "ExpandEnvironmentString error");
        return false;
    }
    std::vector<char> shortForm(capacity + 1, '\0');
    uint32_t length =
        os.getShortPathName(expanded, shortForm.data(), static_cast<uint32_t>(capacity));
    if (length >= capacity) {
        // The short form needs more room than there is: never hand out a cut path.
        LogMessage(log, SEV_ERROR, "GetSPathName error");
        return false;
    }
    if (length == 0) {
        if (source.size() >= capacity) {
            LogMessage(log, SEV_ERROR, "GetSPathName error");
            return false;
        }
        path = source;
    } else {
        path.assign(shortForm.data(), length);
    }
    StripTrailingBackslash(path);
    return true;
}

size_t StripTrailingBackslash(std::string& path) {
    size_t length = path.size();
    if (length > 0 && path.back() == '\\') {
        path.pop_back();
    }
    return length;
}

bool MakeDirectory(Platform& os, const std::string& path) {
    DebugNote(os, kNoteLog, "MakeDirectory, looking for %s", path.c_str());
    uint32_t attributes = os.findFileAttributes(path.c_str());
    if (attributes != kInvalidFileAttributes && (attributes & kFileAttributeDirectory)) {
        DebugNote(os, kNoteLog, "MakeDirectory, directory exists already");
        return true;
    }
    // Every prefix that ends before a "\", then the whole path: C:, C:\WINDOWS, C:\WINDOWS\temp.
    std::vector<std::string> prefixes;
    std::string prefix;
    for (char c : path) {
        if (c == '\\') {
            prefixes.push_back(prefix);
        }
        prefix += c;
    }
    prefixes.push_back(prefix);
    for (size_t i = 1; i < prefixes.size(); ++i) {
        if (os.createDirectory(prefixes[i].c_str())) {
            os.setFileAttributes(prefixes[i].c_str(), kFileAttributeNormal);
        }
    }
    attributes = os.findFileAttributes(path.c_str());
    DebugNote(os, kNoteLog, "MakeDirectory, FindFirstFile got attribs %#x", attributes);
    if (attributes != kInvalidFileAttributes && (attributes & kFileAttributeDirectory)) {
        DebugNote(os, kNoteLog, "MakeDirectory, Directory exists ok");
        return true;
    }
    DebugNote(os, kNoteLog, "MakeDirectory, something wrong");
    return false;
}

}  // namespace qx
