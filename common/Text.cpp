#include "common/Text.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace qx {
namespace {

constexpr const char* kWhiteSpace = " \t\n\v\f\r";

}  // namespace

std::string Trim(const std::string& text) {
    size_t first = text.find_first_not_of(kWhiteSpace);
    if (first == std::string::npos) {
        return "";
    }
    size_t last = text.find_last_not_of(kWhiteSpace);
    return text.substr(first, last - first + 1);
}

int32_t DecimalValue(const std::string& text) {
    long long value = std::strtoll(text.c_str(), nullptr, 10);
    if (value > INT32_MAX) {
        return INT32_MAX;
    }
    if (value < INT32_MIN) {
        return INT32_MIN;
    }
    return static_cast<int32_t>(value);
}

std::string LowerCase(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

int SplitKeyNameData(const std::string& command, KeyNameData* fields) {
    std::string* targets[] = {&fields->key, &fields->name, &fields->data};
    size_t start = 0;
    int found = 0;
    for (std::string* target : targets) {
        size_t end = command.find(';', start);
        if (end == std::string::npos) {
            break;
        }
        *target = Trim(command.substr(start, end - start));
        start = end + 1;
        ++found;
    }
    return found;
}

}  // namespace qx
