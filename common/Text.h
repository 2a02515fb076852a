#pragma once
// The small text rules the command data and properties share.

#include <cstdint>
#include <string>

namespace qx {

// Without leading and trailing space, tab, line feed, vertical tab, form feed, carriage return.
std::string Trim(const std::string& text);

// A decimal text as the C runtime's atoi reads it: leading white space, an optional sign, digits
// up to the first other character; no digits give 0; values beyond 32 bits stop at the limit.
int32_t DecimalValue(const std::string& text);

// ASCII letters in lower case, the rest unchanged.
std::string LowerCase(std::string text);

// A "key;name;data;" command: three fields, each ended by ";" and trimmed; text after the third
// ";" is ignored.
struct KeyNameData {
    std::string key;
    std::string name;
    std::string data;
};
// Fills the fields whose ";" was found and returns how many there were (3: a whole command).
int SplitKeyNameData(const std::string& command, KeyNameData* fields);

}  // namespace qx
