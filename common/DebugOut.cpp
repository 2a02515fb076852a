#include "common/DebugOut.h"

#include <cstdarg>

#include "common/Format.h"

namespace qx {
namespace {

constexpr size_t kDebugOutChars = 519;

void sendCut(Platform& os, const char* format, va_list arguments)
    __attribute__((format(printf, 2, 0)));

void sendCut(Platform& os, const char* format, va_list arguments) {
    std::string text = formatTextV(format, arguments);
    if (text.size() > kDebugOutChars) {
        text.resize(kDebugOutChars);
    }
    os.outputDebugString(text.c_str());
}

}  // namespace

void DebugOut(Platform& os, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    sendCut(os, format, arguments);
    va_end(arguments);
}

void DebugNote(Platform& os, const char* tag, const char* format, ...) {
    DebugOut(os, "%s", tag);
    va_list arguments;
    va_start(arguments, format);
    sendCut(os, format, arguments);
    va_end(arguments);
}

}  // namespace qx
