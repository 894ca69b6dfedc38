#pragma once
// Between the platform layer's CivilTime and the C library's std::tm, which both systems'
// calendar conversions go through. Only src/platform includes it.

#include "platform/ztClock.h"

#include <ctime>

namespace zt::platform {

inline void fromTm(const std::tm& inTm, CivilTime& outTime) {
    outTime.year = inTm.tm_year + 1900;
    outTime.month = inTm.tm_mon + 1;
    outTime.day = inTm.tm_mday;
    outTime.hour = inTm.tm_hour;
    outTime.minute = inTm.tm_min;
    outTime.second = inTm.tm_sec;
    outTime.weekDay = inTm.tm_wday;
    outTime.yearDay = inTm.tm_yday;
    outTime.daylightSaving = inTm.tm_isdst > 0;
}

// tm_isdst is left to the C library (-1), which knows whether the time falls in summer time.
inline std::tm toTm(const CivilTime& inTime) {
    std::tm tm{};
    tm.tm_year = inTime.year - 1900;
    tm.tm_mon = inTime.month - 1;
    tm.tm_mday = inTime.day;
    tm.tm_hour = inTime.hour;
    tm.tm_min = inTime.minute;
    tm.tm_sec = inTime.second;
    tm.tm_isdst = -1;
    return tm;
}

} // namespace zt::platform
