#include "common/MsiException.h"

#include "common/DebugOut.h"
#include "common/Format.h"

namespace qx {
namespace {

const char* KindErrorText(int kind) {
    switch (kind) {
        case eGetActiveDatabaseFail:
            return "Can't receive the active installer database handle";
        case eUnsupportedAction:
            return "Unsupported action on installer database";
        case eCreateRecordFail:
            return "Can't create MSI record";
        default:
            return nullptr;
    }
}

const char* KindNote(int kind) {
    switch (kind) {
        case eCustomError:
            return "CMSIException case eCustomError";
        case eGetActiveDatabaseFail:
            return "CMSIException case eGetActiveDatabaseFail";
        case eUnsupportedAction:
            return "CMSIException case eUnsupportedAction";
        case eCreateRecordFail:
            return "CMSIException case eCreateRecordFail";
        case eMSIError:
            return "CMSIException case eMSIError";
        default:
            return nullptr;
    }
}

// The oldest name on the stack, or all of them with the place of the throw when DEBUG is set.
std::string ContextText(const Library& library, const char* source, int line) {
    std::string context;
    const auto& names = library.functionNames;
    for (size_t i = 0; i < names.size() && (i == 0 || library.debugLevel != 0); ++i) {
        context += names[i] + "\r\n";
    }
    if (library.debugLevel != 0) {
        context += formatText("%s (line %d)", source, line) + "\r\n";
    }
    return context;
}

}  // namespace

CMSIException::CMSIException(Library& library) : library_(&library) {}

void CMSIException::FillInSourceRecord(const std::string& errorText, const std::string& context) {
    Platform& os = library_->os;
    record_ = std::make_shared<InstallerRecord>(os, os.msiCreateRecord(3));
    if (!*record_) {
        return;
    }
    MsiHandle record = record_->get();
    os.msiRecordSetString(record, 0, "[3]\r\nError: [2]");
    os.msiRecordSetInteger(record, 1, 0);
    os.msiRecordSetString(record, 2, errorText.c_str());
    os.msiRecordSetString(record, 3, context.c_str());
}

CMSIException CMSIException::InSource(Library& library, int kind, const std::string& text,
                                      const char* source, int line) {
    Platform& os = library.os;
    bool logs = library.flavour.hasLogFile;
    if (logs) {
        DebugNote(os, kNoteLog, "CMSIException (in-source text) 1=%i, 2='%s', 3='%s', 4='%i'", kind,
                  text.c_str(), source, line);
        LogMessage(library.log, SEV_INFO,
                   "CMSIException (in-source text) 1=%i, 2='%s', 3='%s', 4='%i'", kind,
                   text.c_str(), source, line);
    }
    CMSIException exception(library);
    exception.kind_ = kind;
    std::string context = ContextText(library, source, line);
    if (logs && KindNote(kind)) {
        DebugNote(os, kNoteLog, "%s", KindNote(kind));
    }
    if (kind == eCustomError) {
        exception.FillInSourceRecord(text, context);
    } else if (const char* kindText = KindErrorText(kind)) {
        exception.FillInSourceRecord(kindText, context);
    } else if (kind == eMSIError) {
        // The installer's own error record, when the failing call left one, says more.
        MsiHandle lastError = os.msiGetLastErrorRecord();
        if (lastError != 0) {
            exception.record_ = std::make_shared<InstallerRecord>(os, lastError);
        } else if (!text.empty()) {
            exception.FillInSourceRecord(text, context);
            if (logs) {
                LogMessage(library.log, SEV_INFO,
                           "CMSIException (in-source text) case eMSIError, record set with "
                           "text='%s'",
                           text.c_str());
            }
        }
    }
    if (logs) {
        DebugNote(os, kNoteLog, "CMSIException (in-source text) ending ");
    }
    return exception;
}

CMSIException CMSIException::InMsi(Library& library, int errorNumber, const std::string& p2,
                                   const std::string& p3, const std::string& p4) {
    DebugNote(library.os, kNoteLog, "CMSIException (in-MSI text) 1=%i, 2='%s', 3='%s', 4='%s'",
              errorNumber, p2.c_str(), p3.c_str(), p4.c_str());
    library.exitCode = kErrorInstallFailure;
    CMSIException exception(library);
    exception.FillInMsiRecord(errorNumber, p2, p3, p4);
    return exception;
}

CMSIException CMSIException::InMsi(Library& library, Status exitCode, int errorNumber,
                                   const std::string& p2, const std::string& p3,
                                   const std::string& p4) {
    DebugNote(library.os, kNoteLog,
              "CMSIException (errnum=%i, exitcode='%i', p3='%s', p4='%s', p5='%s'", errorNumber,
              static_cast<int>(exitCode), p2.c_str(), p3.c_str(), p4.c_str());
    library.exitCode = static_cast<int>(exitCode);
    CMSIException exception(library);
    exception.FillInMsiRecord(errorNumber, p2, p3, p4);
    return exception;
}

void CMSIException::FillInMsiRecord(int errorNumber, const std::string& p2, const std::string& p3,
                                    const std::string& p4) {
    Platform& os = library_->os;
    record_ = std::make_shared<InstallerRecord>(os, os.msiCreateRecord(5));
    if (*record_) {
        MsiHandle record = record_->get();
        os.msiRecordSetInteger(record, 1, errorNumber);
        os.msiRecordSetString(record, 2, p2.c_str());
        os.msiRecordSetString(record, 3, p3.c_str());
        os.msiRecordSetString(record, 4, p4.c_str());
        DebugNote(os, kNoteLog, "CMSIException (in-MSI text) MsiRecord created and set");
    } else {
        DebugNote(os, kNoteLog, "CMSIException (in-MSI text) MsiRecord could not be created");
    }
    DebugNote(os, kNoteLog, "CMSIException (in-MSI text) ending");
}

void CMSIException::ProcessError(MsiHandle session) const {
    Platform& os = library_->os;
    if (library_->flavour.errorDisplay == ErrorDisplay::LogThenMessageBox) {
        os.msiProcessMessage(session, kInstallMessageInfo, GetRecord());
        os.msiProcessMessage(session, kInstallMessageUser | kMbIconError | kMbOk, GetRecord());
        return;
    }
    DebugNote(os, kNoteLog, "in CMSIException::ProcessError");
    if (os.msiGetMode(session, kRunModeRollback)) {
        // No dialog may interrupt a rollback: the message only reaches the installer's log.
        DebugNote(os, kNoteLog, "CMSIException::ProcessError, IN ROLLBACK");
        os.msiProcessMessage(session, kInstallMessageInfo, GetRecord());
    } else {
        DebugNote(os, kNoteLog, "CMSIException::ProcessError, not in rollback");
        os.msiProcessMessage(session, kInstallMessageError, GetRecord());
    }
}

void CMSIException::Delete() const {
    if (library_->flavour.hasLogFile) {
        DebugNote(library_->os, kNoteLog, "in CMSIException::Delete");
    }
    if (record_) {
        record_->reset();
    }
}

}  // namespace qx
