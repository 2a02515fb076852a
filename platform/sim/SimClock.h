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
    CalendarTime localTime() const;
    CalendarTime utcTime() const;
    void setLocalTime(const CalendarTime& time);

    // FILETIME: 100-nanosecond ticks since 1 January 1601 UTC.
    static uint64_t fileTimeFromUtc(const CalendarTime& utc);
    static CalendarTime calendarFromFileTime(uint64_t fileTime);
    uint64_t nowAsFileTime() const;
    int64_t utcOffsetTicks() const { return int64_t{utcOffsetMinutes} * 60 * 10000000; }
};

}  // namespace qx::sim
