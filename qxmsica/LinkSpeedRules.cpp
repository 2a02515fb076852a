#include "qxmsica/LinkSpeedRules.h"

#include <algorithm>

#include "common/Text.h"

namespace qx::qxmsica {
namespace {

constexpr const char* kRejected =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ`~[]{}-_=+\\|'/?><.";

}  // namespace

bool HasRejectedCharacter(const std::string& entry) {
    return entry.find_first_of(kRejected) != std::string::npos;
}

std::string WithoutCharacter(std::string text, char removed) {
    text.erase(std::remove(text.begin(), text.end(), removed), text.end());
    return text;
}

int32_t BytesFromBits(const std::string& entry) {
    return DecimalValue(entry) / 8;
}

std::optional<int32_t> BitsFromRegistry(const std::string& value) {
    // In 64 bits: 268435456 bytes and more would wrap in 32.
    int64_t bits = int64_t{DecimalValue(WithoutCharacter(value, '#'))} * 8;
    if (bits == 0 || bits > INT32_MAX || bits < INT32_MIN) {
        return std::nullopt;
    }
    return static_cast<int32_t>(bits);
}

}  // namespace qx::qxmsica
