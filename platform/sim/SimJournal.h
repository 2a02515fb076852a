#pragma once
// Every platform call the simulated machine answers, in order, and the failures a test asks for:
// "make the N-th call of this operation fail with this code".

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/Win32Types.h"

namespace qx::sim {

struct JournalEntry {
    std::string operation;  // the Win32 name, e.g. "RegOpenKeyEx"
    std::string arguments;  // a readable rendering, e.g. "HKLM\\SOFTWARE\\X access=0x20119"
    Status status = kErrorSuccess;
    bool injected = false;
};

class SimJournal {
  public:
    // The `nth` call (1-based, counted from now) of `operation` fails with `code`.
    void failNth(const std::string& operation, int nth, Status code);
    // Consulted by every operation before it acts: the code to fail with, if one is due.
    std::optional<Status> injectedFailure(const std::string& operation);
    void record(const std::string& operation, std::string arguments, Status status,
                bool injected = false);

    const std::vector<JournalEntry>& entries() const { return entries_; }
    std::vector<JournalEntry> calls(const std::string& operation) const;
    size_t count(const std::string& operation) const;
    // How often each operation was called: what a failure sweep walks through.
    std::map<std::string, int> callCounts() const;
    void clear();

  private:
    struct PendingFailure {
        int remaining;
        Status code;
    };
    std::vector<JournalEntry> entries_;
    std::map<std::string, std::vector<PendingFailure>> pending_;
};

}  // namespace qx::sim
