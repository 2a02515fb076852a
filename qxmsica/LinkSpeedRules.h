#pragma once
// The text rules of the link-speed properties: the dialog shows bits, the registry keeps bytes.

#include <cstdint>
#include <optional>
#include <string>

namespace qx::qxmsica {

// Letters, the full stop, the minus sign and the other characters that make a typed speed
// invalid; digits, commas and blanks are allowed.
bool HasRejectedCharacter(const std::string& entry);

std::string WithoutCharacter(std::string text, char removed);

// The bytes of a typed speed in bits, its commas already removed: rounded toward zero.
int32_t BytesFromBits(const std::string& entry);

// The dialog's bits for a registry value ("#125"), or nothing when the dialog keeps its value:
// a product of 0, or one that does not fit a signed 32-bit number.
std::optional<int32_t> BitsFromRegistry(const std::string& value);

}  // namespace qx::qxmsica
