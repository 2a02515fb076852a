#pragma once
// Windows compares registry key, value and file names without regard to letter case.

#include <algorithm>
#include <cctype>
#include <string>

namespace qx::sim {

inline std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

inline bool equalsIgnoringCase(const std::string& a, const std::string& b) {
    return lowerCase(a) == lowerCase(b);
}

struct CaseInsensitiveLess {
    bool operator()(const std::string& a, const std::string& b) const {
        return lowerCase(a) < lowerCase(b);
    }
};

}  // namespace qx::sim
