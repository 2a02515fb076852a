#pragma once
// The command texts that packages hand to the settings actions, parsed in one place: fields
// separated by ";" and trimmed of white space, numbers read as atoi reads them. The
// "key;name;data;" command, which qxmsica reads too, is split by SplitKeyNameData (common/Text).

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace qx {

// "key;value name": split at the first ";", so the value name may hold further ";".
struct TwoFields {
    std::string key;
    std::string valueName;
};
// Nothing without a ";".
std::optional<TwoFields> SplitTwoFields(const std::string& text);

// A file version text: up to four decimal parts separated by "."; when fewer are given the
// last one is the fourth part ("1.2.3" is 1.2.0.3, "7" is 0.0.0.7).
struct VersionText {
    std::array<std::string, 4> parts;  // as cut from the text; "0" where nothing was cut
    std::array<uint32_t, 4> numbers{};
};
VersionText ParseVersionText(const std::string& text);

}  // namespace qx
