#include "common/ErrorText.h"

#include <vector>

#include "common/DebugOut.h"
#include "common/Format.h"

namespace qx {
namespace {

constexpr const char* kUnidentified = "Unidentified system error";

// The system's text, or "" when it has none.
std::string SystemText(Platform& os, Status code, uint32_t capacity) {
    std::vector<char> buffer(capacity + 1, '\0');
    uint32_t length = os.formatSystemMessage(code, buffer.data(), capacity);
    return std::string(buffer.data(), length);
}

std::string TrimmedRight(std::string text) {
    text.erase(text.find_last_not_of(" \t\r\n\v\f") + 1);
    return text;
}

}  // namespace

std::string ConvertErrorCodeToString(Library& library, Status code) {
    Platform& os = library.os;
    const Flavour& flavour = library.flavour;
    if (flavour.hasLogFile) {
        DebugNote(os, kNoteLog, "CMSIException::ConvertErrorCodeToString starting, ErrCode=%#x",
                  code);
    }
    std::string text = SystemText(os, code, 1024);
    if (text.empty()) {
        text = formatText(flavour.unknownErrorFormat, code);
    }
    if (flavour.trimsErrorText) {
        text = TrimmedRight(text);
    }
    if (flavour.hasLogFile) {
        LogMessage(library.log, SEV_INFO,
                   "CMSIException::ConvertErrorCodeToString ErrCd='%#x' returning '%s'", code,
                   text.c_str());
    }
    return text;
}

std::string SystemMessageText(Platform& os, Status code) {
    std::string text = TrimmedRight(SystemText(os, code, 260));
    return text.empty() ? kUnidentified : text;
}

}  // namespace qx
