#pragma once
// printf-style formatting into std::string, checked by the compiler. User data is passed as an
// argument, never as the format.

#include <cstdarg>
#include <string>

namespace qx {

std::string formatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string formatTextV(const char* format, va_list arguments)
    __attribute__((format(printf, 1, 0)));

}  // namespace qx
