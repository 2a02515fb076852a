#pragma once
// The C runtime's blocking byte-range lock: up to 10 attempts, one second apart.

#include "platform/Platform.h"

namespace qx {

// Locks `length` bytes from the current position; 0 on success, -1 with errno set otherwise.
int LockWithRetry(Platform& os, int fd, long length);

}  // namespace qx
