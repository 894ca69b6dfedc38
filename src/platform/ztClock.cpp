// Wall clock and calendar conversions over the C library's reentrant time functions.
#include "platform/ztClock.h"

#include "platform/ztCivilTm.h"

#include <ctime>

namespace zt::platform {

int64_t secondsSinceEpoch() {
    timespec ts{};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    return static_cast<int64_t>(ts.tv_sec);
}

bool toLocal(int64_t inSeconds, CivilTime& outTime) {
    const time_t t = static_cast<time_t>(inSeconds);
    std::tm tm{};
    if (::localtime_r(&t, &tm) == nullptr)
        return false;
    fromTm(tm, outTime);
    return true;
}

bool toUtc(int64_t inSeconds, CivilTime& outTime) {
    const time_t t = static_cast<time_t>(inSeconds);
    std::tm tm{};
    if (::gmtime_r(&t, &tm) == nullptr)
        return false;
    fromTm(tm, outTime);
    return true;
}

bool fromLocal(const CivilTime& inTime, int64_t& outSeconds) {
    std::tm tm = toTm(inTime);
    const time_t t = ::mktime(&tm);
    if (t == static_cast<time_t>(-1) && !(tm.tm_year == 69 && tm.tm_mon == 11 && tm.tm_mday == 31))
        return false;
    outSeconds = static_cast<int64_t>(t);
    return true;
}

bool fromUtc(const CivilTime& inTime, int64_t& outSeconds) {
    std::tm tm = toTm(inTime);
    tm.tm_isdst = 0;
    const time_t t = ::timegm(&tm);
    if (t == static_cast<time_t>(-1) && !(tm.tm_year == 69 && tm.tm_mon == 11 && tm.tm_mday == 31))
        return false;
    outSeconds = static_cast<int64_t>(t);
    return true;
}

} // namespace zt::platform
