#pragma once
// The signature Windows Installer requires of a DLL custom action: UINT __stdcall (MSIHANDLE).
// A host may repair a wrong calling convention silently, so every export is checked against it.

#include <type_traits>

#include "platform/Win32Types.h"

#if defined(_WIN32) && !defined(_WIN64)
#define QX_STDCALL __stdcall
#else
#define QX_STDCALL
#endif

namespace qx {

using CustomActionEntry = uint32_t(QX_STDCALL*)(MsiHandle);

}  // namespace qx

#define QX_CHECK_CUSTOM_ACTION(name)                                        \
    static_assert(std::is_same_v<decltype(&name), ::qx::CustomActionEntry>, \
                  #name " must be UINT __stdcall (MSIHANDLE)")
