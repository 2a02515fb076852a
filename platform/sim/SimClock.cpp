#include "platform/sim/SimClock.h"

namespace qx::sim {
namespace {

// Days since 1970-01-01 of a civil date and back (proleptic Gregorian).
int64_t daysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    int64_t era = (y >= 0 ? y : y - 399) / 400;
    int64_t yoe = y - era * 400;
    int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(int64_t z, int& year, int& month, int& day) {
    z += 719468;
    int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    int64_t doe = z - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

CalendarTime calendarFromMilliseconds(int64_t milliseconds) {
    int64_t seconds = milliseconds >= 0 ? milliseconds / 1000 : (milliseconds - 999) / 1000;
    int64_t days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
    int64_t rest = seconds - days * 86400;
    CalendarTime time;
    civilFromDays(days, time.year, time.month, time.day);
    time.hour = static_cast<int>(rest / 3600);
    time.minute = static_cast<int>(rest % 3600 / 60);
    time.second = static_cast<int>(rest % 60);
    time.milliseconds = static_cast<int>(milliseconds - seconds * 1000);
    return time;
}

int64_t millisecondsFromCalendar(const CalendarTime& time) {
    return (daysFromCivil(time.year, time.month, time.day) * 86400 + time.hour * 3600 +
            time.minute * 60 + time.second) *
               1000 +
           time.milliseconds;
}

constexpr int64_t kTicksPerMillisecond = 10000;
constexpr int64_t kMilliseconds1601To1970 = 11644473600000;

}  // namespace

CalendarTime SimClock::localTime() const {
    return calendarFromMilliseconds(utcMilliseconds + int64_t{utcOffsetMinutes} * 60000);
}

CalendarTime SimClock::utcTime() const {
    return calendarFromMilliseconds(utcMilliseconds);
}

uint64_t SimClock::fileTimeFromUtc(const CalendarTime& utc) {
    return static_cast<uint64_t>((millisecondsFromCalendar(utc) + kMilliseconds1601To1970) *
                                 kTicksPerMillisecond);
}

CalendarTime SimClock::calendarFromFileTime(uint64_t fileTime) {
    return calendarFromMilliseconds(static_cast<int64_t>(fileTime) / kTicksPerMillisecond -
                                    kMilliseconds1601To1970);
}

uint64_t SimClock::nowAsFileTime() const {
    return static_cast<uint64_t>((utcMilliseconds + kMilliseconds1601To1970) *
                                 kTicksPerMillisecond);
}

void SimClock::setLocalTime(const CalendarTime& time) {
    utcMilliseconds = millisecondsFromCalendar(time) - int64_t{utcOffsetMinutes} * 60000;
}

}  // namespace qx::sim
