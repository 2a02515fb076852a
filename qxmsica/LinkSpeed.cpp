#include "qxmsica/LinkSpeed.h"

#include "common/Format.h"
#include "common/InstallerLog.h"
#include "common/PropertyActions.h"
#include "qxmsica/LinkSpeedRules.h"

namespace qx::qxmsica {
namespace {

// Invalid entries are no failure: the package's dialog logic acts on QX_LinkSpeedBad.
void ReportInvalid(Library& library, MsiHandle session, const std::string& down,
                   const std::string& up) {
    MSetProperty(library, session, "QX_LinkSpeedBad", "1");
    LogToMsi(library, formatText("QX_FixLinkSpeedParams INVALID, got DownSpeed='%s' and "
                                 "UpSpeed='%s', set QX_LinkSpeedBad=1",
                                 down.c_str(), up.c_str()));
}

}  // namespace

uint32_t QX_LinkSpeedBitsToBytes(Library& library, MsiHandle session) {
    library.hInstall = session;
    std::string down = MGetProperty(library, session, "QX_LINKDOWN_SPEED_Gui");
    std::string up = MGetProperty(library, session, "QX_LINKUP_SPEED_Gui");
    if (HasRejectedCharacter(down) || HasRejectedCharacter(up)) {
        ReportInvalid(library, session, down, up);
        return kErrorSuccess;
    }
    down = WithoutCharacter(down, ',');
    up = WithoutCharacter(up, ',');
    int32_t downBytes = BytesFromBits(down);
    int32_t upBytes = BytesFromBits(up);
    if (downBytes == 0 || upBytes == 0) {
        ReportInvalid(library, session, down, up);
        return kErrorSuccess;
    }
    std::string downText = formatText("%d", downBytes);
    std::string upText = formatText("%d", upBytes);
    MSetProperty(library, session, "QX_LINKDOWN_SPEED_TOREG", downText);
    MSetProperty(library, session, "QX_LINKUP_SPEED_TOREG", upText);
    MSetProperty(library, session, "QX_LinkSpeedBad", "0");
    LogToMsi(library, formatText("QX_FixLinkSpeedParams valid, returning DownSpeed='%s' and "
                                 "UpSpeed='%s'",
                                 downText.c_str(), upText.c_str()));
    return kErrorSuccess;
}

uint32_t QX_LinkSpeedBytesToBits(Library& library, MsiHandle session) {
    library.hInstall = session;
    std::string down = MGetProperty(library, session, "QX_LINKDOWN_SPEED_FROMREG");
    std::string up = MGetProperty(library, session, "QX_LINKUP_SPEED_FROMREG");
    // Each speed on its own: one the dialog keeps does not hold back the other.
    if (auto bits = BitsFromRegistry(down)) {
        MSetProperty(library, session, "QX_LINKDOWN_SPEED_Gui", formatText("%d", *bits));
    }
    if (auto bits = BitsFromRegistry(up)) {
        MSetProperty(library, session, "QX_LINKUP_SPEED_Gui", formatText("%d", *bits));
    }
    return kErrorSuccess;
}

}  // namespace qx::qxmsica
