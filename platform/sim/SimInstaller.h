#pragma once
// The installer of the simulated machine: sessions with their properties and run modes, records
// with open/close accounting, every message an action sends (type, fields and the text the
// installer would make of it), scripted answers, the package's Error table and the last-error
// record.
//
// Stricter than a real host where a real host forgives: a script-run (deferred, rollback,
// commit) session shows only CustomActionData, ProductCode and UserSID, and MsiSetMode accepts
// only the reboot modes.

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <variant>
#include <vector>

#include "platform/Win32Types.h"

namespace qx::sim {

enum class RunKind { Immediate, Deferred, Rollback, Commit };

using RecordField = std::variant<std::monostate, int, std::string>;
using RecordFields = std::vector<RecordField>;  // index 0 is the template field

struct SentMessage {
    uint32_t type = 0;  // INSTALLMESSAGE_* with its button and icon flags
    RecordFields fields;
    std::string text;  // the message as the installer formats it
    int answer = 0;
    uint32_t kind() const { return type & 0xFF000000u; }
};

struct SimSession {
    MsiHandle handle = 0;
    RunKind kind = RunKind::Immediate;
    std::map<std::string, std::string> properties;
    std::set<int> modes;  // further run modes that answer true: maintenance, logging...
    std::vector<SentMessage> messages;
    std::vector<std::pair<int, bool>> modesSet;  // successful MsiSetMode calls

    bool scriptRun() const { return kind != RunKind::Immediate; }
    // The lines the installer's own log would show for INFO messages, in order.
    std::vector<std::string> installerLogLines() const;
    std::vector<SentMessage> messagesOfKind(uint32_t kind) const;
};

class SimInstaller {
  public:
    SimSession& openSession(RunKind kind = RunKind::Immediate);
    SimSession* session(MsiHandle handle);
    void setErrorText(int number, std::string text) { errorTable_[number] = std::move(text); }
    // The answer MsiProcessMessage gives to the next messages of one kind (IDOK, IDCANCEL, 0).
    void scriptAnswer(uint32_t messageKind, int answer) { answers_[messageKind].push_back(answer); }
    // The record MsiGetLastErrorRecord hands out next (once).
    void setLastErrorRecord(RecordFields fields) { lastError_ = std::move(fields); }
    size_t openRecordCount() const { return records_.size(); }
    std::string render(const RecordFields& fields) const;

    // --- The calls behind the seam.
    Status getProperty(MsiHandle session, const std::string& name, char* buffer, uint32_t* chars);
    Status setProperty(MsiHandle session, const std::string& name, const std::string& value);
    bool getMode(MsiHandle session, int runMode);
    Status setMode(MsiHandle session, int runMode, bool state);
    MsiHandle createRecord(uint32_t fields);
    Status recordSetString(MsiHandle record, uint32_t field, const std::string& value);
    Status recordSetInteger(MsiHandle record, uint32_t field, int value);
    Status recordGetString(MsiHandle record, uint32_t field, char* buffer, uint32_t* chars);
    int processMessage(MsiHandle session, uint32_t type, MsiHandle record);
    MsiHandle lastErrorRecord();
    Status closeHandle(MsiHandle handle);
    Status closeAllHandles();

  private:
    RecordField* field(MsiHandle record, uint32_t index);

    std::map<MsiHandle, SimSession> sessions_;
    std::map<MsiHandle, RecordFields> records_;
    std::map<int, std::string> errorTable_;
    std::map<uint32_t, std::deque<int>> answers_;
    std::optional<RecordFields> lastError_;
    MsiHandle nextHandle_ = 1;
};

}  // namespace qx::sim
