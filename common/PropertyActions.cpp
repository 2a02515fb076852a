#include "common/PropertyActions.h"

#include "common/ErrorText.h"
#include "common/MsiException.h"

namespace qx {
namespace {

constexpr uint32_t kPropertyChars = 512;  // with the terminating null

[[noreturn]] void ThrowCallFailure(Library& library, const char* call, const char* name,
                                   Status status, int line) {
    const Flavour& flavour = library.flavour;
    if (flavour.hasLogFile) {
        LogMessage(library.log, SEV_ERROR, "%s '%s' failed, retcode='%#x' throwing exception", call,
                   name, status);
    }
    throw CMSIException::InSource(library, eMSIError, ConvertErrorCodeToString(library, status),
                                  flavour.propertySource, line);
}

}  // namespace

std::string GetProperty(Library& library, MsiHandle session, const char* name) {
    const Flavour& flavour = library.flavour;
    CFunctionScope scope(library, flavour.getPropertyScope);
    char buffer[kPropertyChars] = {};
    uint32_t chars = kPropertyChars;
    Status status = library.os.msiGetProperty(session, name, buffer, &chars);
    if (status != kErrorSuccess) {
        ThrowCallFailure(library, "MsiGetProperty", name, status, flavour.getPropertyLine);
    }
    return std::string(buffer, chars);
}

void SetProperty(Library& library, MsiHandle session, const char* name, const std::string& value) {
    const Flavour& flavour = library.flavour;
    CFunctionScope scope(library, flavour.setPropertyScope);
    Status status = library.os.msiSetProperty(session, name, value.c_str());
    if (status != kErrorSuccess) {
        ThrowCallFailure(library, "MsiSetProperty", name, status, flavour.setPropertyLine);
    }
}

void LogProperty(Library& library, MsiHandle session, const char* name) {
    std::string value = GetProperty(library, session, name);
    LogMessage(library.log, SEV_INFO, "%s = %s", name, value.c_str());
}

}  // namespace qx
