#pragma once
// The boundary of every export: no C++ exception may leave a custom action, or it would take the
// installer's custom-action server down with it.

#include "common/Library.h"
#include "platform/CustomAction.h"

namespace qx {

using Action = uint32_t (*)(Library&, MsiHandle);

// Runs the action; an exception that escapes it is logged (to the library's log where it is
// open, and to the installer's log) and becomes ERROR_INSTALL_FAILURE.
uint32_t GuardExport(Library& library, const char* exportName, MsiHandle session,
                     Action action) noexcept;

}  // namespace qx

// Defines the export `name`, checked against the custom-action signature: it runs `action` on
// the library instance that `library()` returns, behind the guard.
#define QX_EXPORT_ACTION(library, name, action)                      \
    extern "C" uint32_t QX_STDCALL name(::qx::MsiHandle session) {   \
        return ::qx::GuardExport(library(), #name, session, action); \
    }                                                                \
    QX_CHECK_CUSTOM_ACTION(name)
