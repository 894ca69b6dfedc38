// Wall clock and calendar conversions over the C runtime's 64-bit time functions.
#include "platform/ztClock.h"

#include "platform/ztCivilTm.h"

#include <ctime>
#include <windows.h>

namespace zt::platform {
namespace {

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
