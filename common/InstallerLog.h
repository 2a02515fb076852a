#pragma once
// One line into the installer's own log.

#include <string>

#include "common/Library.h"

namespace qx {

// qxeca prefixes "QXECA: " and gives up silently without a record; qxmsica writes the text as
// it is and throws eCreateRecordFail. The text goes unchanged, a trailing line feed included.
void LogToMsi(Library& library, const std::string& text);

}  // namespace qx
