#pragma once
// The one exception of both libraries. It carries an installer record: in-source text (the
// library's own template naming the failing function and the error) or in-MSI text (an error
// number of the package's Error table and up to three parameters). The handler that catches it
// calls ProcessError, which hands the record to the installer, and Delete, which closes it.
// Copies share the record, as the handler's copy in qxmsica does.

#include <memory>
#include <string>

#include "common/Library.h"
#include "platform/ScopedHandle.h"

namespace qx {

enum ExceptionKind {
    eCustomError = 1,
    eGetActiveDatabaseFail = 2,
    eUnsupportedAction = 3,
    eCreateRecordFail = 4,
    eMSIError = 5,
};

class CMSIException {
  public:
    // In-source text: the thrower names its source file and line.
    static CMSIException InSource(Library& library, int kind, const std::string& text,
                                  const char* source, int line);
    // In-MSI text; sets the library's exit code to 1603.
    static CMSIException InMsi(Library& library, int errorNumber, const std::string& p2,
                               const std::string& p3, const std::string& p4);
    // In-MSI text with the exit code the action is to return.
    static CMSIException InMsi(Library& library, Status exitCode, int errorNumber,
                               const std::string& p2, const std::string& p3, const std::string& p4);

    int GetKind() const { return kind_; }
    MsiHandle GetRecord() const { return record_ ? record_->get() : 0; }
    void ProcessError(MsiHandle session) const;
    void Delete() const;

  private:
    explicit CMSIException(Library& library);
    void FillInSourceRecord(const std::string& errorText, const std::string& context);
    void FillInMsiRecord(int errorNumber, const std::string& p2, const std::string& p3,
                         const std::string& p4);

    Library* library_;
    int kind_ = 0;
    std::shared_ptr<InstallerRecord> record_;
};

}  // namespace qx
