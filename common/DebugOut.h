#pragma once
// The system debug-string output. The log facility's own notes go there as two strings: a tag
// and the message.

#include "platform/Platform.h"

namespace qx {

// At most 519 characters of the formatted text, as one debug string.
void DebugOut(Platform& os, const char* format, ...) __attribute__((format(printf, 2, 3)));

// "LOG: ", "WARNING: " or "ERROR: " followed by the formatted message, as two debug strings.
void DebugNote(Platform& os, const char* tag, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

constexpr const char* kNoteLog = "LOG: ";
constexpr const char* kNoteWarning = "WARNING: ";
constexpr const char* kNoteError = "ERROR: ";

}  // namespace qx
