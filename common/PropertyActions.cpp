#include "common/PropertyActions.h"

#include "common/ErrorText.h"
#include "common/MsiException.h"

namespace qx {
namespace {

constexpr uint32_t kPropertyChars = 512;  // with the terminating null

}  // namespace

std::string GetProperty(Library& library, MsiHandle session, const char* name) {
    const Flavour& flavour = library.flavour;
    CFunctionScope scope(library, flavour.getPropertyScope);
    char buffer[kPropertyChars] = {};
    uint32_t chars = kPropertyChars;
    Status status = library.os.msiGetProperty(session, name, buffer, &chars);
    if (status != kErrorSuccess) {
        if (flavour.hasLogFile) {
            LogMessage(library.log, SEV_ERROR,
                       "MsiGetProperty '%s' failed, retcode='%#x' throwing exception", name,
                       status);
        }
        throw CMSIException::InSource(library, eMSIError,
                                      ConvertErrorCodeToString(library, status),
                                      flavour.propertySource, flavour.getPropertyLine);
    }
    return std::string(buffer, chars);
}

void SetProperty(Library& library, MsiHandle session, const char* name, const std::string& value) {
    const Flavour& flavour = library.flavour;
    CFunctionScope scope(library, flavour.setPropertyScope);
    Status status = library.os.msiSetProperty(session, name, value.c_str());
    if (status != kErrorSuccess) {
        if (flavour.hasLogFile) {
            LogMessage(library.log, SEV_ERROR,
                       "MsiSetProperty '%s' failed, retcode='%#x' throwing exception", name,
                       status);
        }
        throw CMSIException::InSource(library, eMSIError,
                                      ConvertErrorCodeToString(library, status),
                                      flavour.propertySource, flavour.setPropertyLine);
    }
}

void LogProperty(Library& library, MsiHandle session, const char* name) {
    std::string value = GetProperty(library, session, name);
    LogMessage(library.log, SEV_INFO, "%s = %s", name, value.c_str());
}

}  // namespace qx
