#pragma once
// A point in time as whole seconds since 1 January 1970 00:00:00 of the clock that produced
// it (local time or UTC), with its date, time of day and text forms. Sessions are stamped
// with it.

#include "util/ztDate.h"
#include "util/ztTime.h"

#include <compare>
#include <cstdint>
#include <string>

class ztDateTime {
public:
    // Mode of the (mode, utc) constructor that reads the system clock.
    static constexpr int kNow = 1;

    // Value 0: 1 January 1970 00:00:00.
    ztDateTime() = default;
    // inMode kNow gives the current moment, counted in UTC when inUtc is set and in local
    // time otherwise (the clock is read once); any other mode gives 0.
    explicit ztDateTime(int inMode, bool inUtc = false);
    // A given moment. Moments before 1970 give 0 and moments after 2106-02-07 06:28:15, the
    // largest value, give that value. Throws zt::ex::InvalidArgument for a date that does
    // not exist or an hour, minute or second out of range.
    ztDateTime(uint16_t inDay, uint16_t inMonth, uint16_t inYear, uint16_t inHour,
               uint16_t inMinute, uint16_t inSecond);

    // The moment inSeconds (since 1970-01-01 00:00:00 UTC) counted in UTC, or in the local
    // time zone's clock; limited to the value range as above.
    static ztDateTime fromEpochSeconds(int64_t inSeconds, bool inUtc);
    // The moment with the given count of seconds.
    static ztDateTime fromValue(uint32_t inValue);

    uint32_t getValue() const { return itsValue; }
    ztDate getDate() const;
    // Hundredths are 0.
    ztTime getTime() const;

    // kStyleIso gives "2026-03-09T14:05:00" whatever the flags say. Any other date style
    // gives the date as ztDate::format writes it with inWithYear and inTwoDigitYear, one
    // blank and the 24-hour time with ":" separators, with or without seconds.
    std::string format(int inDateStyle = ztDate::kStyleMonthName, bool inWithYear = true,
                       bool inTwoDigitYear = false, bool inWithSeconds = true) const;

    friend auto operator<=>(const ztDateTime&, const ztDateTime&) = default;

private:
    uint32_t itsValue = 0;
};
