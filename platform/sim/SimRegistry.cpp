#include "platform/sim/SimRegistry.h"

#include <algorithm>
#include <cstring>
#include <sstream>

namespace qx::sim {
namespace {

constexpr uint32_t kWriteRights = kKeySetValue | kKeyCreateSubKey | 0x00010000 /*DELETE*/ |
                                  0x00040000 /*WRITE_DAC*/ | 0x00080000 /*WRITE_OWNER*/;

std::vector<std::string> components(const std::string& path) {
    std::vector<std::string> parts;
    std::stringstream stream(path);
    std::string part;
    while (std::getline(stream, part, '\\')) {
        if (!part.empty()) {
            parts.push_back(part);
        }
    }
    return parts;
}

std::string join(const std::vector<std::string>& parts) {
    std::string path;
    for (const auto& part : parts) {
        if (!path.empty()) {
            path += '\\';
        }
        path += part;
    }
    return path;
}

const char* rootName(OsHandle root) {
    switch (root) {
        case kHkeyLocalMachine:
            return "HKLM";
        case kHkeyUsers:
            return "HKU";
        case kHkeyCurrentUser:
            return "HKCU";
        default:
            return nullptr;
    }
}

RegistryValue* findValue(std::vector<RegistryValue>& values, const std::string& name) {
    auto it = std::find_if(values.begin(), values.end(), [&](const RegistryValue& v) {
        return equalsIgnoringCase(v.name, name);
    });
    return it == values.end() ? nullptr : &*it;
}

}  // namespace

std::string SimRegistry::canonical(const std::string& path) const {
    auto parts = components(path);
    if (parts.empty()) {
        return "";
    }
    std::string root = lowerCase(parts[0]);
    if (root == "hkey_local_machine") {
        parts[0] = "HKLM";
    } else if (root == "hkey_users") {
        parts[0] = "HKU";
    } else if (root == "hkcu" || root == "hkey_current_user") {
        parts[0] = currentUserSid_;
        parts.insert(parts.begin(), "HKU");
    }
    return join(parts);
}

SimRegistry::Key* SimRegistry::find(const std::string& path) const {
    const Key* key = &root_;
    for (const auto& part : components(canonical(path))) {
        auto it = key->subKeys.find(part);
        if (it == key->subKeys.end()) {
            return nullptr;
        }
        key = it->second.get();
    }
    return const_cast<Key*>(key);
}

SimRegistry::Key& SimRegistry::findOrCreate(const std::string& path) {
    Key* key = &root_;
    for (const auto& part : components(canonical(path))) {
        auto& child = key->subKeys[part];
        if (!child) {
            child = std::make_unique<Key>();
        }
        key = child.get();
    }
    return *key;
}

void SimRegistry::createKey(const std::string& path) {
    findOrCreate(path);
}

void SimRegistry::deleteKey(const std::string& path) {
    auto parts = components(canonical(path));
    if (parts.empty()) {
        return;
    }
    std::string last = parts.back();
    parts.pop_back();
    if (Key* parent = find(join(parts))) {
        parent->subKeys.erase(last);
    }
}

bool SimRegistry::keyExists(const std::string& path) const {
    return find(path) != nullptr;
}

void SimRegistry::setValue(const std::string& path, const std::string& name, uint32_t type,
                           std::vector<uint8_t> data) {
    Key& key = findOrCreate(path);
    if (RegistryValue* existing = findValue(key.values, name)) {
        existing->type = type;
        existing->data = std::move(data);
    } else {
        key.values.push_back({name, type, std::move(data)});
    }
}

void SimRegistry::setDword(const std::string& path, const std::string& name, uint32_t value) {
    std::vector<uint8_t> bytes(4);
    std::memcpy(bytes.data(), &value, 4);
    setValue(path, name, kRegDword, std::move(bytes));
}

void SimRegistry::setString(const std::string& path, const std::string& name,
                            const std::string& value, uint32_t type) {
    std::vector<uint8_t> bytes(value.begin(), value.end());
    bytes.push_back(0);
    setValue(path, name, type, std::move(bytes));
}

std::optional<RegistryValue> SimRegistry::value(const std::string& path,
                                                const std::string& name) const {
    Key* key = find(path);
    if (!key) {
        return std::nullopt;
    }
    RegistryValue* found = findValue(key->values, name);
    return found ? std::optional<RegistryValue>(*found) : std::nullopt;
}

std::optional<uint32_t> SimRegistry::dword(const std::string& path, const std::string& name) const {
    auto found = value(path, name);
    if (!found || found->type != kRegDword || found->data.size() != 4) {
        return std::nullopt;
    }
    uint32_t result;
    std::memcpy(&result, found->data.data(), 4);
    return result;
}

std::optional<std::string> SimRegistry::string(const std::string& path,
                                               const std::string& name) const {
    auto found = value(path, name);
    if (!found || (found->type != kRegSz && found->type != kRegExpandSz)) {
        return std::nullopt;
    }
    std::string text(found->data.begin(), found->data.end());
    return text.substr(0, text.find('\0'));
}

std::vector<RegistryValue> SimRegistry::values(const std::string& path) const {
    Key* key = find(path);
    return key ? key->values : std::vector<RegistryValue>{};
}

std::vector<std::string> SimRegistry::subKeys(const std::string& path) const {
    std::vector<std::string> names;
    if (Key* key = find(path)) {
        for (const auto& [name, child] : key->subKeys) {
            names.push_back(name);
        }
    }
    return names;
}

void SimRegistry::denyWrites(const std::string& path) {
    findOrCreate(path).denyWrites = true;
}

void SimRegistry::denySubKeyDeletion(const std::string& path) {
    findOrCreate(path).denySubKeyDeletion = true;
}

const SimRegistry::OpenKey* SimRegistry::openKey(OsHandle key) const {
    auto it = handles_.find(key);
    return it == handles_.end() ? nullptr : &it->second;
}

std::string SimRegistry::pathOf(OsHandle key) const {
    const OpenKey* open = openKey(key);
    return open ? open->path : "";
}

std::string SimRegistry::resolve(OsHandle root, const std::string& subKey, uint32_t access,
                                 bool machineIs64Bit) const {
    auto parts = components(subKey);
    if (const char* name = rootName(root)) {
        // A 32-bit caller reaches HKLM\SOFTWARE of a 64-bit machine in the 32-bit view unless it
        // asks for the 64-bit one.
        bool redirected = root == kHkeyLocalMachine && machineIs64Bit &&
                          !(access & kKeyWow64_64Key) && !parts.empty() &&
                          equalsIgnoringCase(parts[0], "SOFTWARE") &&
                          !(parts.size() > 1 && equalsIgnoringCase(parts[1], "Wow6432Node"));
        if (redirected) {
            parts.insert(parts.begin() + 1, "Wow6432Node");
        }
        parts.insert(parts.begin(), name);
        return canonical(join(parts));
    }
    const OpenKey* base = openKey(root);
    if (!base) {
        return "";
    }
    parts.insert(parts.begin(), base->path);
    return canonical(join(parts));
}

Status SimRegistry::open(OsHandle root, const std::string& subKey, uint32_t access, bool create,
                         bool machineIs64Bit, OsHandle* key) {
    std::string path = resolve(root, subKey, access, machineIs64Bit);
    if (path.empty()) {
        return kErrorInvalidHandle;
    }
    Key* found = find(path);
    if (!found && create) {
        // The nearest existing ancestor decides whether a sub-key may be created.
        auto parts = components(path);
        Key* ancestor = nullptr;
        while (!parts.empty() && !(ancestor = find(join(parts)))) {
            parts.pop_back();
        }
        if (ancestor && ancestor->denyWrites) {
            return kErrorAccessDenied;
        }
        found = &findOrCreate(path);
    }
    if (!found) {
        return kErrorFileNotFound;
    }
    if (access & kMaximumAllowed) {
        // What the caller may have: everything, or reading where writes are refused.
        access = (access & ~kMaximumAllowed) | (found->denyWrites ? kKeyRead : kKeyAllAccess);
    }
    if (found->denyWrites && (access & kWriteRights)) {
        return kErrorAccessDenied;
    }
    *key = nextHandle_++;
    handles_[*key] = {path, access};
    return kErrorSuccess;
}

Status SimRegistry::close(OsHandle key) {
    return handles_.erase(key) ? kErrorSuccess : kErrorInvalidHandle;
}

Status SimRegistry::query(OsHandle key, const std::string& name, uint32_t* type, uint8_t* data,
                          uint32_t* size) const {
    const OpenKey* open = openKey(key);
    if (!open) {
        return kErrorInvalidHandle;
    }
    if (!(open->access & kKeyQueryValue)) {
        return kErrorAccessDenied;
    }
    Key* node = find(open->path);
    RegistryValue* found = node ? findValue(node->values, name) : nullptr;
    if (!found) {
        return kErrorFileNotFound;
    }
    if (type) {
        *type = found->type;
    }
    auto needed = static_cast<uint32_t>(found->data.size());
    if (data && size && *size < needed) {
        *size = needed;
        return kErrorMoreData;
    }
    if (data && size) {
        std::copy(found->data.begin(), found->data.end(), data);
    }
    if (size) {
        *size = needed;
    }
    return kErrorSuccess;
}

Status SimRegistry::set(OsHandle key, const std::string& name, uint32_t type, const uint8_t* data,
                        uint32_t size) {
    const OpenKey* open = openKey(key);
    if (!open) {
        return kErrorInvalidHandle;
    }
    if (!(open->access & kKeySetValue)) {
        return kErrorAccessDenied;
    }
    setValue(open->path, name, type, std::vector<uint8_t>(data, data + size));
    return kErrorSuccess;
}

Status SimRegistry::deleteValue(OsHandle key, const std::string& name) {
    const OpenKey* open = openKey(key);
    if (!open) {
        return kErrorInvalidHandle;
    }
    if (!(open->access & kKeySetValue)) {
        return kErrorAccessDenied;
    }
    Key* node = find(open->path);
    auto& values = node->values;
    auto it = std::find_if(values.begin(), values.end(), [&](const RegistryValue& v) {
        return equalsIgnoringCase(v.name, name);
    });
    if (it == values.end()) {
        return kErrorFileNotFound;
    }
    values.erase(it);
    return kErrorSuccess;
}

Status SimRegistry::queryInfo(OsHandle key, uint32_t* maxValueNameChars,
                              uint32_t* maxValueBytes) const {
    const OpenKey* open = openKey(key);
    if (!open) {
        return kErrorInvalidHandle;
    }
    uint32_t longestName = 0;
    uint32_t largestData = 0;
    for (const auto& value : find(open->path)->values) {
        longestName = std::max<uint32_t>(longestName, value.name.size());
        largestData = std::max<uint32_t>(largestData, value.data.size());
    }
    if (maxValueNameChars) {
        *maxValueNameChars = longestName;
    }
    if (maxValueBytes) {
        *maxValueBytes = largestData;
    }
    return kErrorSuccess;
}

Status SimRegistry::enumValue(OsHandle key, uint32_t index, char* name, uint32_t* nameChars,
                              uint32_t* type, uint8_t* data, uint32_t* dataSize) const {
    const OpenKey* open = openKey(key);
    if (!open) {
        return kErrorInvalidHandle;
    }
    if (!(open->access & kKeyQueryValue)) {
        return kErrorAccessDenied;
    }
    const auto& values = find(open->path)->values;
    if (index >= values.size()) {
        return kErrorNoMoreItems;
    }
    const RegistryValue& value = values[index];
    if (value.name.size() >= *nameChars) {
        return kErrorMoreData;
    }
    if (data && dataSize && *dataSize < value.data.size()) {
        return kErrorMoreData;
    }
    std::memcpy(name, value.name.c_str(), value.name.size() + 1);
    *nameChars = static_cast<uint32_t>(value.name.size());
    if (type) {
        *type = value.type;
    }
    if (data && dataSize) {
        std::copy(value.data.begin(), value.data.end(), data);
    }
    if (dataSize) {
        *dataSize = static_cast<uint32_t>(value.data.size());
    }
    return kErrorSuccess;
}

Status SimRegistry::enumKey(OsHandle key, uint32_t index, char* name, uint32_t* nameChars) const {
    const OpenKey* open = openKey(key);
    if (!open) {
        return kErrorInvalidHandle;
    }
    if (!(open->access & kKeyEnumerateSubKeys)) {
        return kErrorAccessDenied;
    }
    const auto& children = find(open->path)->subKeys;
    if (index >= children.size()) {
        return kErrorNoMoreItems;
    }
    const std::string& child = std::next(children.begin(), index)->first;
    if (child.size() >= *nameChars) {
        return kErrorMoreData;
    }
    std::memcpy(name, child.c_str(), child.size() + 1);
    *nameChars = static_cast<uint32_t>(child.size());
    return kErrorSuccess;
}

Status SimRegistry::deleteSubKey(OsHandle key, const std::string& subKey) {
    const OpenKey* open = openKey(key);
    if (!open) {
        return kErrorInvalidHandle;
    }
    Key* parent = find(open->path);
    std::string path = open->path + "\\" + subKey;
    Key* target = find(path);
    if (!target) {
        return kErrorFileNotFound;
    }
    if (!target->subKeys.empty() || parent->denySubKeyDeletion || target->denyWrites) {
        return kErrorAccessDenied;
    }
    deleteKey(path);
    return kErrorSuccess;
}

}  // namespace qx::sim
