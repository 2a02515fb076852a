#pragma once
// The registry of the simulated machine: keys by path (case-insensitive), typed values as raw
// bytes, the 32-bit view of a 64-bit machine under Wow6432Node, keys that refuse writes or the
// deletion of their sub-keys, and the handles a caller holds open.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Win32Types.h"
#include "platform/sim/CaseInsensitive.h"

namespace qx::sim {

struct RegistryValue {
    std::string name;
    uint32_t type = kRegNone;
    std::vector<uint8_t> data;
};

class SimRegistry {
  public:
    // --- Set-up and inspection, by physical path: "HKLM\\SOFTWARE\\Wow6432Node\\X" names the
    // 32-bit view explicitly. Roots: HKLM, HKU, HKCU (the current user's hive under HKU).
    void createKey(const std::string& path);
    void deleteKey(const std::string& path);  // with its sub-keys
    bool keyExists(const std::string& path) const;
    void setValue(const std::string& path, const std::string& name, uint32_t type,
                  std::vector<uint8_t> data);
    void setDword(const std::string& path, const std::string& name, uint32_t value);
    void setString(const std::string& path, const std::string& name, const std::string& value,
                   uint32_t type = kRegSz);
    std::optional<RegistryValue> value(const std::string& path, const std::string& name) const;
    std::optional<uint32_t> dword(const std::string& path, const std::string& name) const;
    std::optional<std::string> string(const std::string& path, const std::string& name) const;
    std::vector<RegistryValue> values(const std::string& path) const;
    std::vector<std::string> subKeys(const std::string& path) const;
    void denyWrites(const std::string& path);  // opening it for writing: access denied
    void denySubKeyDeletion(const std::string& path);
    void setCurrentUserSid(const std::string& sid) { currentUserSid_ = sid; }
    const std::string& currentUserSid() const { return currentUserSid_; }
    size_t openKeyCount() const { return handles_.size(); }

    // --- The calls behind the seam.
    Status open(OsHandle root, const std::string& subKey, uint32_t access, bool create,
                bool machineIs64Bit, OsHandle* key);
    Status close(OsHandle key);
    Status query(OsHandle key, const std::string& name, uint32_t* type, uint8_t* data,
                 uint32_t* size) const;
    Status set(OsHandle key, const std::string& name, uint32_t type, const uint8_t* data,
               uint32_t size);
    Status deleteValue(OsHandle key, const std::string& name);
    Status queryInfo(OsHandle key, uint32_t* maxValueNameChars, uint32_t* maxValueBytes) const;
    Status enumValue(OsHandle key, uint32_t index, char* name, uint32_t* nameChars, uint32_t* type,
                     uint8_t* data, uint32_t* dataSize) const;
    // Sub-keys in alphabetical order, as the registry enumerates them.
    Status enumKey(OsHandle key, uint32_t index, char* name, uint32_t* nameChars) const;
    // Only a key without sub-keys can be deleted.
    Status deleteSubKey(OsHandle key, const std::string& subKey);
    // The physical path an open handle stands for ("" when the handle is not open).
    std::string pathOf(OsHandle key) const;
    // The physical path a call with this root, sub-key and access reaches.
    std::string resolve(OsHandle root, const std::string& subKey, uint32_t access,
                        bool machineIs64Bit) const;

  private:
    struct Key {
        std::vector<RegistryValue> values;  // in the order they were first written
        std::map<std::string, std::unique_ptr<Key>, CaseInsensitiveLess> subKeys;
        bool denyWrites = false;
        bool denySubKeyDeletion = false;
    };
    struct OpenKey {
        std::string path;
        uint32_t access;
    };

    Key* find(const std::string& path) const;
    Key& findOrCreate(const std::string& path);
    const OpenKey* openKey(OsHandle key) const;
    std::string canonical(const std::string& path) const;

    Key root_;
    std::map<OsHandle, OpenKey> handles_;
    OsHandle nextHandle_ = 0x1000;
    std::string currentUserSid_ = "S-1-5-21-0-0-0-1000";
};

}  // namespace qx::sim
