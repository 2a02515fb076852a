#include "common/FileLock.h"

namespace qx {

int LockWithRetry(Platform& os, int fd, long length) {
    constexpr int kAttempts = 10;
    constexpr uint32_t kPauseMilliseconds = 1000;
    for (int attempt = 1;; ++attempt) {
        if (os.fileTryLock(fd, length) == 0) {
            return 0;
        }
        if (attempt == kAttempts) {
            return -1;
        }
        os.sleep(kPauseMilliseconds);
    }
}

}  // namespace qx
