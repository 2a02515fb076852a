#include "common/Flavour.h"

namespace qx {

const Flavour kQxeca{
    .name = "qxeca",
    .hasLogFile = true,
    .installerLogPrefix = "QXECA: ",
    .installerLogNeedsRecord = false,
    .getPropertyScope = "GetProperty",
    .setPropertyScope = "SetProperty",
    .propertySource = ".\\PropertyActions",
    .getPropertyLine = 39,
    .setPropertyLine = 21,
    .errorDisplay = ErrorDisplay::DialogOutsideRollback,
    .unknownErrorFormat = "Unidentified system error",
    .trimsErrorText = true,
};

const Flavour kQxmsica{
    .name = "qxmsica",
    .hasLogFile = false,
    .installerLogPrefix = "",
    .installerLogNeedsRecord = true,
    .getPropertyScope = "MGetProperty",
    .setPropertyScope = "MSetProperty",
    .propertySource = "PropertyActions",
    .getPropertyLine = 31,
    .setPropertyLine = 17,
    .errorDisplay = ErrorDisplay::LogThenMessageBox,
    .unknownErrorFormat = "Unknown error (0x%x)",
    .trimsErrorText = false,
};

}  // namespace qx
