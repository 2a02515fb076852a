#pragma once
// Virtual time: waits advance it, so a minute-long wait costs nothing.

#include <cstdint>

#include "platform/Platform.h"

namespace qx::sim {

class SimClock {
public:
    // 11 June 2011 06:59:25 UTC, local time = UTC until a test says otherwise.
    int64_t utcMilliseconds = 1307775565000;
    int utcOffsetMinutes = 0;

    void advance(uint32_t milliseconds) { utcMilliseconds += milliseconds; }
    LocalTime localTime() const;
    void setLocalTime(const LocalTime& time);
};

}  // namespace qx::sim
