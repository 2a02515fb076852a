#include "qxeca/settings/CommandText.h"

#include "common/Text.h"

namespace qx {
namespace {

// Cuts the text before the first "." off the remainder: empty when there is no "." (the
// remainder then stays whole).
std::string CutPart(std::string& remainder) {
    size_t dot = remainder.find('.');
    if (dot == std::string::npos) {
        return "";
    }
    std::string part = remainder.substr(0, dot);
    remainder.erase(0, dot + 1);
    return part;
}

}  // namespace

std::optional<TwoFields> SplitTwoFields(const std::string& text) {
    size_t separator = text.find(';');
    if (separator == std::string::npos) {
        return std::nullopt;
    }
    return TwoFields{Trim(text.substr(0, separator)), Trim(text.substr(separator + 1))};
}

VersionText ParseVersionText(const std::string& text) {
    VersionText version;
    version.parts.fill("0");
    std::string remainder = text;
    for (int i = 0; i < 2 && !remainder.empty(); ++i) {
        version.parts[i] = CutPart(remainder);
    }
    if (!remainder.empty()) {
        version.parts[2] = CutPart(remainder);
        // The fourth part is the rest, "." and all, unless the rest is empty.
        if (!remainder.empty()) {
            version.parts[3] = remainder;
        }
    }
    for (size_t i = 0; i < version.parts.size(); ++i) {
        version.numbers[i] = static_cast<uint32_t>(DecimalValue(version.parts[i]));
    }
    return version;
}

}  // namespace qx
