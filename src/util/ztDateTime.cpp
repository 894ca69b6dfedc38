// Moments as 32-bit second counts since 1970 of the local or the UTC clock.
#include "util/ztDateTime.h"

#include "messages/ztException.h"
#include "platform/ztClock.h"

#include <algorithm>
#include <cstdio>
#include <limits>

namespace {

constexpr int32_t kDayNumber1970 = 25567; // 1 January 1970 counted from 1 January 1900
constexpr uint32_t kSecondsPerDay = 86400;

// Seconds since 1970 of a day number and a time of day, limited to the 32-bit range: a
// moment before 1970 is 0 and one after the range is the largest value, never wrapped.
uint32_t secondsSince1970(int32_t inDayNumber, uint32_t inSecondOfDay) {
    if (inDayNumber < kDayNumber1970)
        return 0;
    const int64_t seconds =
        int64_t{inDayNumber - kDayNumber1970} * kSecondsPerDay + int64_t{inSecondOfDay};
    return static_cast<uint32_t>(std::min<int64_t>(seconds, std::numeric_limits<uint32_t>::max()));
}

} // namespace

ztDateTime::ztDateTime(int inMode, bool inUtc) {
    if (inMode != kNow)
        return;
    *this = fromEpochSeconds(zt::platform::secondsSinceEpoch(), inUtc);
}

ztDateTime::ztDateTime(uint16_t inDay, uint16_t inMonth, uint16_t inYear, uint16_t inHour,
                       uint16_t inMinute, uint16_t inSecond) {
    const ztDate date(inDay, inMonth, inYear);
    if (inHour >= 24 || inMinute >= 60 || inSecond >= 60) {
        char text[80];
        std::snprintf(text, sizeof text, "Invalid time of day: hour %u, minute %u, second %u",
                      unsigned{inHour}, unsigned{inMinute}, unsigned{inSecond});
        throw zt::ex::InvalidArgument(text);
    }
    itsValue = secondsSince1970(date.dayNumber(), inHour * 3600u + inMinute * 60u + inSecond);
}

ztDateTime ztDateTime::fromEpochSeconds(int64_t inSeconds, bool inUtc) {
    zt::platform::CivilTime civil;
    const bool converted =
        inUtc ? zt::platform::toUtc(inSeconds, civil) : zt::platform::toLocal(inSeconds, civil);
    if (!converted || civil.year < 1970)
        return ztDateTime();
    if (civil.year > 2106)
        return fromValue(std::numeric_limits<uint32_t>::max());
    const ztDate date(static_cast<uint16_t>(civil.day), static_cast<uint16_t>(civil.month),
                      static_cast<uint16_t>(civil.year));
    // A clock that counts leap seconds may report second 60; it stays within its minute.
    const auto secondOfDay =
        static_cast<uint32_t>(civil.hour * 3600 + civil.minute * 60 + std::min(civil.second, 59));
    return fromValue(secondsSince1970(date.dayNumber(), secondOfDay));
}

ztDateTime ztDateTime::fromValue(uint32_t inValue) {
    ztDateTime result;
    result.itsValue = inValue;
    return result;
}

ztDate ztDateTime::getDate() const {
    return ztDate::fromDayNumber(static_cast<int32_t>(itsValue / kSecondsPerDay) + kDayNumber1970);
}

ztTime ztDateTime::getTime() const {
    const uint32_t second = itsValue % kSecondsPerDay;
    return ztTime(static_cast<uint16_t>(second / 3600), static_cast<uint16_t>(second % 3600 / 60),
                  static_cast<uint16_t>(second % 60));
}

std::string ztDateTime::format(int inDateStyle, bool inWithYear, bool inTwoDigitYear,
                               bool inWithSeconds) const {
    if (inDateStyle == ztDate::kStyleIso)
        return getDate().format(ztDate::kStyleIso, true, false) + "T" + getTime().format(":", true);
    return getDate().format(inDateStyle, inWithYear, inTwoDigitYear) + " " +
           getTime().format(":", inWithSeconds);
}
