// Wall clock and calendar conversions over the C runtime's 64-bit time functions.
#include "platform/ztClock.h"

#include <ctime>
#include <windows.h>

namespace zt::platform {
namespace {

void fromTm(const std::tm& inTm, CivilTime& outTime) {
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

std::tm toTm(const CivilTime& inTime) {
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

// 100-nanosecond intervals between 1601-01-01 and 1970-01-01.
constexpr int64_t kEpochOffset = 116444736000000000LL;

} // namespace

int64_t secondsSinceEpoch() {
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    const int64_t ticks =
        (static_cast<int64_t>(now.dwHighDateTime) << 32) | static_cast<int64_t>(now.dwLowDateTime);
    return (ticks - kEpochOffset) / 10000000LL;
}

bool toLocal(int64_t inSeconds, CivilTime& outTime) {
    const __time64_t t = static_cast<__time64_t>(inSeconds);
    std::tm tm{};
    if (::_localtime64_s(&tm, &t) != 0)
        return false;
    fromTm(tm, outTime);
    return true;
}

bool toUtc(int64_t inSeconds, CivilTime& outTime) {
    const __time64_t t = static_cast<__time64_t>(inSeconds);
    std::tm tm{};
    if (::_gmtime64_s(&tm, &t) != 0)
        return false;
    fromTm(tm, outTime);
    return true;
}

bool fromLocal(const CivilTime& inTime, int64_t& outSeconds) {
    std::tm tm = toTm(inTime);
    const __time64_t t = ::_mktime64(&tm);
    if (t == static_cast<__time64_t>(-1) &&
        !(tm.tm_year == 69 && tm.tm_mon == 11 && tm.tm_mday == 31))
        return false;
    outSeconds = static_cast<int64_t>(t);
    return true;
}

bool fromUtc(const CivilTime& inTime, int64_t& outSeconds) {
    std::tm tm = toTm(inTime);
    tm.tm_isdst = 0;
    const __time64_t t = ::_mkgmtime64(&tm);
    if (t == static_cast<__time64_t>(-1) &&
        !(tm.tm_year == 69 && tm.tm_mon == 11 && tm.tm_mday == 31))
        return false;
    outSeconds = static_cast<int64_t>(t);
    return true;
}

} // namespace zt::platform
