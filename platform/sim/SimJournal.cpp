#include "platform/sim/SimJournal.h"

#include <utility>

namespace qx::sim {

void SimJournal::failNth(const std::string& operation, int nth, Status code) {
    pending_[operation].push_back({nth, code});
}

std::optional<Status> SimJournal::injectedFailure(const std::string& operation) {
    auto found = pending_.find(operation);
    if (found == pending_.end()) {
        return std::nullopt;
    }
    std::optional<Status> due;
    auto& failures = found->second;
    for (auto it = failures.begin(); it != failures.end();) {
        if (--it->remaining == 0) {
            due = it->code;
            it = failures.erase(it);
        } else {
            ++it;
        }
    }
    return due;
}

void SimJournal::record(const std::string& operation, std::string arguments, Status status,
                        bool injected) {
    entries_.push_back({operation, std::move(arguments), status, injected});
}

std::vector<JournalEntry> SimJournal::calls(const std::string& operation) const {
    std::vector<JournalEntry> result;
    for (const auto& entry : entries_) {
        if (entry.operation == operation) {
            result.push_back(entry);
        }
    }
    return result;
}

size_t SimJournal::count(const std::string& operation) const {
    return calls(operation).size();
}

std::map<std::string, int> SimJournal::callCounts() const {
    std::map<std::string, int> counts;
    for (const auto& entry : entries_) {
        ++counts[entry.operation];
    }
    return counts;
}

void SimJournal::clear() {
    entries_.clear();
    pending_.clear();
}

}  // namespace qx::sim
