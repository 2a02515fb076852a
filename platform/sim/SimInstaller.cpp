#include "platform/sim/SimInstaller.h"

#include <cstring>

namespace qx::sim {
namespace {

std::string fieldText(const RecordField& field) {
    if (const int* number = std::get_if<int>(&field)) {
        return std::to_string(*number);
    }
    if (const std::string* text = std::get_if<std::string>(&field)) {
        return *text;
    }
    return "";
}

// MsiGetPropertyA / MsiRecordGetStringA: copy what fits, report the full length.
Status copyOut(const std::string& value, char* buffer, uint32_t* chars) {
    uint32_t capacity = *chars;
    *chars = static_cast<uint32_t>(value.size());
    if (!buffer) {
        return kErrorSuccess;
    }
    if (value.size() >= capacity) {
        if (capacity > 0) {
            std::memcpy(buffer, value.data(), capacity - 1);
            buffer[capacity - 1] = '\0';
        }
        return kErrorMoreData;
    }
    std::memcpy(buffer, value.c_str(), value.size() + 1);
    return kErrorSuccess;
}

}  // namespace

std::vector<std::string> SimSession::installerLogLines() const {
    std::vector<std::string> lines;
    for (const auto& message : messages) {
        if (message.kind() == kInstallMessageInfo) {
            lines.push_back(message.text);
        }
    }
    return lines;
}

std::vector<SentMessage> SimSession::messagesOfKind(uint32_t kind) const {
    std::vector<SentMessage> found;
    for (const auto& message : messages) {
        if (message.kind() == kind) {
            found.push_back(message);
        }
    }
    return found;
}

SimSession& SimInstaller::openSession(RunKind kind) {
    MsiHandle handle = nextHandle_++;
    SimSession& created = sessions_[handle];
    created.handle = handle;
    created.kind = kind;
    return created;
}

SimSession* SimInstaller::session(MsiHandle handle) {
    auto it = sessions_.find(handle);
    return it == sessions_.end() ? nullptr : &it->second;
}

std::string SimInstaller::render(const RecordFields& fields) const {
    std::string templateText = fields.empty() ? "" : fieldText(fields[0]);
    if (templateText.empty() && fields.size() > 1 && std::holds_alternative<int>(fields[1])) {
        auto entry = errorTable_.find(std::get<int>(fields[1]));
        if (entry != errorTable_.end()) {
            templateText = entry->second;
        }
    }
    if (templateText.empty()) {
        // Without a template the installer lists the fields as "1: a 2: b".
        std::string listed;
        for (size_t i = 1; i < fields.size(); ++i) {
            std::string text = fieldText(fields[i]);
            if (!text.empty()) {
                listed.append(listed.empty() ? "" : " ").append(std::to_string(i));
                listed.append(": ").append(text);
            }
        }
        return listed;
    }
    std::string out;
    for (size_t i = 0; i < templateText.size(); ++i) {
        size_t close = templateText.find(']', i);
        if (templateText[i] == '[' && close != std::string::npos) {
            std::string inner = templateText.substr(i + 1, close - i - 1);
            if (!inner.empty() && inner.find_first_not_of("0123456789") == std::string::npos) {
                size_t index = std::stoul(inner);
                out += index < fields.size() ? fieldText(fields[index]) : "";
                i = close;
                continue;
            }
        }
        out += templateText[i];
    }
    return out;
}

Status SimInstaller::getProperty(MsiHandle handle, const std::string& name, char* buffer,
                                 uint32_t* chars) {
    SimSession* s = session(handle);
    if (!s) {
        return kErrorInvalidHandle;
    }
    bool visible =
        !s->scriptRun() || name == "CustomActionData" || name == "ProductCode" || name == "UserSID";
    auto it = s->properties.find(name);
    return copyOut(visible && it != s->properties.end() ? it->second : "", buffer, chars);
}

Status SimInstaller::setProperty(MsiHandle handle, const std::string& name,
                                 const std::string& value) {
    SimSession* s = session(handle);
    if (!s) {
        return kErrorInvalidHandle;
    }
    if (s->scriptRun()) {
        return kErrorFunctionFailed;  // properties are read-only in the script
    }
    if (value.empty()) {
        s->properties.erase(name);
    } else {
        s->properties[name] = value;
    }
    return kErrorSuccess;
}

bool SimInstaller::getMode(MsiHandle handle, int runMode) {
    SimSession* s = session(handle);
    if (!s) {
        return false;
    }
    switch (runMode) {
        case kRunModeScheduled:
            return s->scriptRun();
        case kRunModeRollback:
            return s->kind == RunKind::Rollback;
        case kRunModeCommit:
            return s->kind == RunKind::Commit;
        default:
            return s->modes.count(runMode) > 0;
    }
}

Status SimInstaller::setMode(MsiHandle handle, int runMode, bool state) {
    SimSession* s = session(handle);
    if (!s) {
        return kErrorInvalidHandle;
    }
    if (runMode != kRunModeRebootAtEnd && runMode != kRunModeRebootNow) {
        return kErrorAccessDenied;
    }
    s->modesSet.emplace_back(runMode, state);
    if (state) {
        s->modes.insert(runMode);
    } else {
        s->modes.erase(runMode);
    }
    return kErrorSuccess;
}

MsiHandle SimInstaller::createRecord(uint32_t fields) {
    MsiHandle handle = nextHandle_++;
    records_[handle] = RecordFields(fields + 1);
    return handle;
}

RecordField* SimInstaller::field(MsiHandle record, uint32_t index) {
    auto it = records_.find(record);
    if (it == records_.end() || index >= it->second.size()) {
        return nullptr;
    }
    return &it->second[index];
}

Status SimInstaller::recordSetString(MsiHandle record, uint32_t index, const std::string& value) {
    RecordField* target = field(record, index);
    if (!target) {
        return records_.count(record) ? kErrorInvalidParameter : kErrorInvalidHandle;
    }
    *target = value;
    return kErrorSuccess;
}

Status SimInstaller::recordSetInteger(MsiHandle record, uint32_t index, int value) {
    RecordField* target = field(record, index);
    if (!target) {
        return records_.count(record) ? kErrorInvalidParameter : kErrorInvalidHandle;
    }
    *target = value;
    return kErrorSuccess;
}

Status SimInstaller::recordGetString(MsiHandle record, uint32_t index, char* buffer,
                                     uint32_t* chars) {
    RecordField* source = field(record, index);
    if (!source) {
        return records_.count(record) ? kErrorInvalidParameter : kErrorInvalidHandle;
    }
    return copyOut(fieldText(*source), buffer, chars);
}

int SimInstaller::processMessage(MsiHandle handle, uint32_t type, MsiHandle record) {
    SimSession* s = session(handle);
    auto it = records_.find(record);
    if (!s || it == records_.end()) {
        return -1;  // the installer's answer to an invalid handle
    }
    SentMessage message{type, it->second, render(it->second), 0};
    auto& queue = answers_[message.kind()];
    if (!queue.empty()) {
        message.answer = queue.front();
        queue.pop_front();
    }
    s->messages.push_back(message);
    return message.answer;
}

MsiHandle SimInstaller::lastErrorRecord() {
    if (!lastError_) {
        return 0;
    }
    MsiHandle handle = nextHandle_++;
    records_[handle] = std::move(*lastError_);
    lastError_.reset();
    return handle;
}

Status SimInstaller::closeHandle(MsiHandle handle) {
    if (handle == 0 || sessions_.count(handle)) {
        return kErrorSuccess;  // the session belongs to the installer
    }
    return records_.erase(handle) ? kErrorSuccess : kErrorInvalidHandle;
}

Status SimInstaller::closeAllHandles() {
    auto wereOpen = static_cast<Status>(records_.size());
    records_.clear();
    return wereOpen;
}

}  // namespace qx::sim
