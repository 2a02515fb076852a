#include "qxeca/settings/UserSidKey.h"

#include "common/Format.h"
#include "common/PropertyActions.h"

namespace qx {

std::string UserSidKeyPath(Library& library, const std::string& subKey) {
    std::string sid = GetProperty(library, library.hInstall, "UserSID");
    return formatText("%s\\%s", sid.c_str(), subKey.c_str());
}

}  // namespace qx
