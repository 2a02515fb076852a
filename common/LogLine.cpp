#include "common/LogLine.h"

#include "common/Format.h"

namespace qx {

std::string LogTimestamp(const CalendarTime& time) {
    return formatText("%02d/%02d/%02d %02d:%02d:%02d: ", time.month, time.day, time.year % 100,
                      time.hour, time.minute, time.second);
}

std::string LogLine(const CalendarTime& time, const std::string& component, const char* label,
                    const std::string& text) {
    std::string line = formatText("%s%8.8s:%8.8s: %s\n", LogTimestamp(time).c_str(),
                                  component.c_str(), label, text.c_str());
    if (line.size() > kLogLineChars) {
        line.resize(kLogLineChars);
    }
    return line;
}

std::string TextModeBytes(const std::string& line) {
    std::string bytes;
    bytes.reserve(line.size() + 4);
    for (char c : line) {
        if (c == '\n') {
            bytes += '\r';
        }
        bytes += c;
    }
    return bytes;
}

}  // namespace qx
