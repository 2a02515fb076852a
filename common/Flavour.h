#pragma once
// What tells the two libraries' runtimes apart. qxeca keeps a log file and reports errors by
// run mode; qxmsica, the older library, writes only to the installer's log and shows every error
// as an installer message box.

namespace qx {

enum class ErrorDisplay {
    DialogOutsideRollback,  // rollback: installer log only; otherwise the installer's error dialog
    LogThenMessageBox,      // installer log, then a user message with an error icon
};

struct Flavour {
    const char* name;
    bool hasLogFile;  // qxeca.log, and every step of an error logged
    const char* installerLogPrefix;
    bool installerLogNeedsRecord;  // LogToMsi throws when it cannot make a record
    const char* getPropertyScope;
    const char* setPropertyScope;
    const char* propertySource;
    int getPropertyLine;
    int setPropertyLine;
    ErrorDisplay errorDisplay;
    const char* unknownErrorFormat;  // the error text when the system has none; %x is the code
    bool trimsErrorText;
};

extern const Flavour kQxeca;
extern const Flavour kQxmsica;

}  // namespace qx
