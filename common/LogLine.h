#pragma once
// The layout of one line of qxeca.log.

#include <string>

#include "platform/Platform.h"

namespace qx {

// 1024 characters with the terminating null: a longer line is cut and loses its line end.
constexpr size_t kLogLineChars = 1023;

// "MM/DD/YY HH:MM:SS: ", the 24-hour clock, every number two digits.
std::string LogTimestamp(const CalendarTime& time);

// The timestamp, then component and label each right-aligned in 8 columns and cut to 8, then
// the text and a line feed.
std::string LogLine(const CalendarTime& time, const std::string& component, const char* label,
                    const std::string& text);

// The bytes a text-mode write puts on disk: every "\n" becomes "\r\n".
std::string TextModeBytes(const std::string& line);

}  // namespace qx
