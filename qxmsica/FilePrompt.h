#pragma once
// The Browse button of a wizard field: the file-open dialog, its answer in QX_PATHTOFILE and in
// the wizard's text field.

#include "common/Library.h"

namespace qx::qxmsica {

// Always ERROR_SUCCESS. A cancelled dialog changes nothing; without the wizard window or its
// text field only the property is set.
uint32_t QX_BrowseFile(Library& library, MsiHandle session);

// The enumeration callback: keeps a window whose class is RichEdit20W in *found and stops.
bool FindRichEditChild(Platform& os, OsHandle window, OsHandle* found);

}  // namespace qx::qxmsica
