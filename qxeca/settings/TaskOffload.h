#pragma once
// TCP task offload stays disabled while any product that needs it is installed: installing
// one raises a count under the framework's service key and disables offload; removing one
// lowers the count and allows offload again only when it reaches zero.

#include <cstdint>

#include "common/Library.h"

namespace qx {

constexpr Status kEFail = 0x80004005;  // E_FAIL: a value of the wrong type

// Reads root\subKey\name as a DWORD; a missing key is created, a missing or unreadable value
// is written with the default, which is then the value returned. 0 or the failing code.
Status ReadSetRegValueDWORD(Library& library, OsHandle root, const char* subKey, const char* name,
                            uint32_t defaultValue, uint32_t* value);
// Writes root\subKey\name as a DWORD, creating the key when it cannot be opened.
Status WriteRegValueDWORD(Library& library, OsHandle root, const char* subKey, const char* name,
                          uint32_t value);
// Writes the TCP/IP stack's DisableTaskOffload value.
Status SetTCPDisableTaskOffload(Library& library, uint32_t value);

uint32_t QX_TCPDisableTaskOffload(Library& library, MsiHandle session);
uint32_t QX_IncrementDisableTaskOffload(Library& library, MsiHandle session);
uint32_t QX_DecrementDisableTaskOffload(Library& library, MsiHandle session);

}  // namespace qx
