// Moments as 32-bit second counts: building from fields with the 1970 and 2106 limits,
// splitting back into date and time, the text forms and the local/UTC clocks.
#include "util/ztDateTime.h"

#include "messages/ztException.h"
#include "platform/ztClock.h"
#include "util/ScopedTimeZone.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

constexpr uint32_t kMaxValue = 0xFFFFFFFF;

TEST(ztDateTime, valueFromFields) {
    const struct {
        const char* name;
        uint16_t day, month, year, hour, minute, second;
        uint32_t value;
    } rows[] = {
        {"last second before 1970", 31, 12, 1969, 23, 59, 59, 0},
        {"first day of the table", 1, 1, 1900, 12, 0, 0, 0},
        {"epoch", 1, 1, 1970, 0, 0, 0, 0},
        {"one second after the epoch", 1, 1, 1970, 0, 0, 1, 1},
        {"leap day", 29, 2, 2000, 12, 0, 0, 951825600},
        {"afternoon", 9, 3, 2026, 14, 5, 0, 1773065100},
        {"largest value", 7, 2, 2106, 6, 28, 15, kMaxValue},
        {"one second past the range stays at the top", 7, 2, 2106, 6, 28, 16, kMaxValue},
        {"a year past the range stays at the top", 1, 1, 2107, 0, 0, 0, kMaxValue},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const ztDateTime moment(row.day, row.month, row.year, row.hour, row.minute, row.second);
        EXPECT_EQ(row.value, moment.getValue());
    }
}

TEST(ztDateTime, impossibleFieldsAreRejected) {
    EXPECT_THROW(ztDateTime(9, 3, 2026, 24, 0, 0), zt::ex::InvalidArgument);
    EXPECT_THROW(ztDateTime(9, 3, 2026, 0, 60, 0), zt::ex::InvalidArgument);
    EXPECT_THROW(ztDateTime(9, 3, 2026, 0, 0, 60), zt::ex::InvalidArgument);
    EXPECT_THROW(ztDateTime(30, 2, 2026, 0, 0, 0), zt::ex::InvalidArgument);
    EXPECT_THROW(ztDateTime(1, 13, 2026, 0, 0, 0), zt::ex::InvalidArgument);
}

// getDate and getTime give back the fields the value was built from.
TEST(ztDateTime, splitsIntoTheFieldsItWasBuiltFrom) {
    const uint32_t values[] = {0, 1, 86399, 86400, 951825600, 1773065100, kMaxValue - 1, kMaxValue};
    for (const uint32_t value : values) {
        SCOPED_TRACE(value);
        const ztDateTime moment = ztDateTime::fromValue(value);
        const ztDate date = moment.getDate();
        const ztTime time = moment.getTime();
        EXPECT_EQ(0, time.getHundredths());
        const ztDateTime rebuilt(date.getDay(), date.getMonth(), date.getYear(), time.getHour(),
                                 time.getMinute(), time.getSecond());
        EXPECT_EQ(value, rebuilt.getValue());
    }
    EXPECT_EQ(ztDate(7, 2, 2106), ztDateTime::fromValue(kMaxValue).getDate());
    EXPECT_EQ(ztTime(6, 28, 15), ztDateTime::fromValue(kMaxValue).getTime());
}

TEST(ztDateTime, format) {
    const struct {
        const char* name;
        int style;
        bool withYear, twoDigitYear, withSeconds;
        const char* expected;
    } rows[] = {
        {"session listing", ztDate::kStyleMonthName, true, false, true, "Mar 9, 2026 14:05:07"},
        {"iso", ztDate::kStyleIso, true, false, true, "2026-03-09T14:05:07"},
        {"iso ignores the flags", ztDate::kStyleIso, false, true, false, "2026-03-09T14:05:07"},
        {"day first without seconds", ztDate::kStyleDayFirst, true, true, false, "09.03.26 14:05"},
        {"year first without year", ztDate::kStyleYearFirst, false, false, true, "03-09 14:05:07"},
    };
    const ztDateTime moment(9, 3, 2026, 14, 5, 7);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.expected,
                  moment.format(row.style, row.withYear, row.twoDigitYear, row.withSeconds));
    }
}

TEST(ztDateTime, instantOnTheLocalAndUtcClocks) {
    const int64_t winter = 1768478400; // 2026-01-15 12:00:00 UTC
    const int64_t summer = 1782907200; // 2026-07-01 12:00:00 UTC
    const ScopedTimeZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
    EXPECT_EQ(winter, ztDateTime::fromEpochSeconds(winter, true).getValue());
    EXPECT_EQ(winter + 3600, ztDateTime::fromEpochSeconds(winter, false).getValue());
    EXPECT_EQ(summer + 7200, ztDateTime::fromEpochSeconds(summer, false).getValue());
    EXPECT_EQ("Jul 1, 2026 14:00:00", ztDateTime::fromEpochSeconds(summer, false).format());
}

TEST(ztDateTime, instantsOutsideTheRangeAreLimited) {
    {
        // The epoch is still 31 December 1969 on a clock behind UTC.
        const ScopedTimeZone zone("YYY+5");
        EXPECT_EQ(0u, ztDateTime::fromEpochSeconds(0, false).getValue());
        EXPECT_EQ(0u, ztDateTime::fromEpochSeconds(-1, true).getValue());
        EXPECT_EQ(1u, ztDateTime::fromEpochSeconds(5 * 3600 + 1, false).getValue());
    }
    EXPECT_EQ(kMaxValue, ztDateTime::fromEpochSeconds(int64_t{kMaxValue}, true).getValue());
    EXPECT_EQ(kMaxValue, ztDateTime::fromEpochSeconds(int64_t{kMaxValue} + 1, true).getValue());
    EXPECT_EQ(kMaxValue,
              ztDateTime::fromEpochSeconds(int64_t{kMaxValue} + 400LL * 86400, true).getValue());
}

TEST(ztDateTime, nowFollowsTheClock) {
    const ScopedTimeZone zone("XXX-3");
    const int64_t before = zt::platform::secondsSinceEpoch();
    const ztDateTime utc(ztDateTime::kNow, true);
    const ztDateTime local(ztDateTime::kNow, false);
    const int64_t after = zt::platform::secondsSinceEpoch();
    EXPECT_GE(int64_t{utc.getValue()}, before);
    EXPECT_LE(int64_t{utc.getValue()}, after);
    EXPECT_LE(std::llabs(int64_t{local.getValue()} - utc.getValue() - 3 * 3600), after - before);
    EXPECT_EQ(0u, ztDateTime(0, true).getValue());
}

} // namespace
