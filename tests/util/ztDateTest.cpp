// Calendar dates: day numbers and their inverse, validation, the text styles and the
// local/UTC split of an instant.
#include "util/ztDate.h"

#include "messages/ztErr.h"
#include "messages/ztException.h"
#include "util/ScopedTimeZone.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

struct DayNumberRow {
    const char* name;
    uint16_t day, month, year;
    int32_t dayNumber;
};

// Expected values are the Gregorian day counts since 1900-01-01.
constexpr DayNumberRow kDayNumbers[] = {
    {"first day", 1, 1, 1900, 0},
    {"1900 is not a leap year", 28, 2, 1900, 58},
    {"day after 28 February 1900", 1, 3, 1900, 59},
    {"day before 1900", 31, 12, 1899, -1},
    {"epoch", 1, 1, 1970, 25567},
    {"leap day 2000", 29, 2, 2000, 36583},
    {"day after leap day 2000", 1, 3, 2000, 36584},
    {"end of 2024", 31, 12, 2024, 45655},
    {"end of 2099", 31, 12, 2099, 73048},
    {"2100 is not a leap year", 28, 2, 2100, 73107},
    {"day after 28 February 2100", 1, 3, 2100, 73108},
    {"after 2100", 1, 1, 2101, 73414},
    {"last representable second's day", 7, 2, 2106, 75277},
    {"year 1", 1, 1, 1, -693595},
    {"year 9999", 31, 12, 9999, 2958463},
};

TEST(ztDate, dayNumbersMatchTheGregorianCalendar) {
    for (const DayNumberRow& row : kDayNumbers) {
        SCOPED_TRACE(row.name);
        const ztDate date(row.day, row.month, row.year);
        EXPECT_EQ(row.dayNumber, date.dayNumber());
        EXPECT_EQ(date, ztDate::fromDayNumber(row.dayNumber));
    }
}

TEST(ztDate, defaultIsDayZero) {
    EXPECT_EQ(0, ztDate().dayNumber());
    EXPECT_EQ(0, ztDate(0).dayNumber());
    EXPECT_EQ(0, ztDate(2, true).dayNumber());
}

bool isDayAfter(const ztDate& inEarlier, const ztDate& inLater) {
    const int earlierYear = inEarlier.getYear();
    if (inEarlier.getDay() < ztDate::daysInMonth(inEarlier.getMonth(), earlierYear))
        return inLater == ztDate(inEarlier.getDay() + 1, inEarlier.getMonth(), inEarlier.getYear());
    if (inEarlier.getMonth() < 12)
        return inLater == ztDate(1, inEarlier.getMonth() + 1, inEarlier.getYear());
    return inLater == ztDate(1, 1, inEarlier.getYear() + 1);
}

// Every day of 1900 to 2120 converts to its number and back, and consecutive numbers are
// consecutive dates, so no day is skipped or repeated at a month or year boundary.
TEST(ztDate, dayNumberInverseIsExactDayByDay) {
    ztDate previous = ztDate::fromDayNumber(-1);
    for (int32_t n = 0; n <= ztDate(31, 12, 2120).dayNumber(); ++n) {
        const ztDate date = ztDate::fromDayNumber(n);
        ASSERT_EQ(n, date.dayNumber()) << date.format(ztDate::kStyleIso);
        ASSERT_TRUE(isDayAfter(previous, date)) << date.format(ztDate::kStyleIso);
        previous = date;
    }
}

TEST(ztDate, dayNumberInverseCoversTheWholeYearRange) {
    const int32_t first = ztDate(1, 1, 0).dayNumber();
    const int32_t last = ztDate(31, 12, 65535).dayNumber();
    for (int64_t n = first; n <= last; n += 997) {
        const ztDate date = ztDate::fromDayNumber(static_cast<int32_t>(n));
        ASSERT_EQ(n, date.dayNumber());
    }
    EXPECT_EQ(ztDate(31, 12, 65535), ztDate::fromDayNumber(last));
    EXPECT_EQ(ztDate(1, 1, 0), ztDate::fromDayNumber(first));
    EXPECT_THROW(ztDate::fromDayNumber(last + 1), zt::ex::InvalidArgument);
    EXPECT_THROW(ztDate::fromDayNumber(first - 1), zt::ex::InvalidArgument);
    EXPECT_THROW(ztDate::fromDayNumber(INT32_MIN), zt::ex::InvalidArgument);
    EXPECT_THROW(ztDate::fromDayNumber(INT32_MAX), zt::ex::InvalidArgument);
}

TEST(ztDate, leapYears) {
    const struct {
        int year;
        bool leap;
    } rows[] = {{1900, false}, {2100, false}, {2000, true}, {2024, true}, {2023, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.year);
        EXPECT_EQ(row.leap, ztDate::isLeapYear(row.year));
    }
}

TEST(ztDate, impossibleDatesAreRejected) {
    const struct {
        const char* name;
        uint16_t day, month, year;
    } rows[] = {
        {"day 0", 0, 1, 2026},
        {"month 0", 1, 0, 2026},
        {"month 13", 1, 13, 2026},
        {"29 February of a common year", 29, 2, 2023},
        {"31 April", 31, 4, 2026},
        {"day 32", 32, 1, 2026},
        {"29 February 1900", 29, 2, 1900},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        try {
            ztDate(row.day, row.month, row.year);
            ADD_FAILURE() << "accepted";
        } catch (const ztException& e) {
            EXPECT_EQ(ztErr_invalidArgument, e.getErrorValue());
        }
    }
    EXPECT_NO_THROW(ztDate(29, 2, 2024));
    EXPECT_NO_THROW(ztDate(29, 2, 2000));
}

TEST(ztDate, formatStyles) {
    const struct {
        const char* name;
        int style;
        bool withYear;
        bool twoDigitYear;
        const char* expected;
    } rows[] = {
        {"month name", ztDate::kStyleMonthName, true, false, "Mar 9, 2026"},
        {"month name without year", ztDate::kStyleMonthName, false, false, "Mar 9"},
        {"month name, two-digit year", ztDate::kStyleMonthName, true, true, "Mar 9, 26"},
        {"unknown style", 9, true, false, "Mar 9, 2026"},
        {"year first", ztDate::kStyleYearFirst, true, false, "2026-03-09"},
        {"year first without year", ztDate::kStyleYearFirst, false, false, "03-09"},
        {"year first, two-digit year", ztDate::kStyleYearFirst, true, true, "26-03-09"},
        {"iso ignores both flags", ztDate::kStyleIso, false, true, "2026-03-09"},
        {"day first", ztDate::kStyleDayFirst, true, false, "09.03.2026"},
        {"day first without year", ztDate::kStyleDayFirst, false, false, "09.03"},
        {"day first, two-digit year", ztDate::kStyleDayFirst, true, true, "09.03.26"},
        {"month first", ztDate::kStyleMonthFirst, true, false, "03/09/2026"},
        {"month first without year", ztDate::kStyleMonthFirst, false, true, "03/09"},
        {"compact", ztDate::kStyleCompact, true, false, "20260309"},
        {"compact without year", ztDate::kStyleCompact, false, false, "0309"},
        {"compact, two-digit year", ztDate::kStyleCompact, true, true, "260309"},
    };
    const ztDate date(9, 3, 2026);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.expected, date.format(row.style, row.withYear, row.twoDigitYear));
    }
    EXPECT_EQ("05.12.05", ztDate(5, 12, 2005).format(ztDate::kStyleDayFirst, true, true));
    EXPECT_EQ("Dec 31, 65535", ztDate(31, 12, 65535).format());
}

TEST(ztDate, instantSplitsIntoLocalAndUtcDates) {
    const int64_t lateOn8March = 1773012600; // 2026-03-08 23:30:00 UTC
    {
        const ScopedTimeZone zone("XXX-3"); // three hours ahead of UTC
        EXPECT_EQ(ztDate(8, 3, 2026), ztDate::fromEpochSeconds(lateOn8March, true));
        EXPECT_EQ(ztDate(9, 3, 2026), ztDate::fromEpochSeconds(lateOn8March, false));
    }
    {
        const ScopedTimeZone zone("YYY+5"); // five hours behind
        EXPECT_EQ(ztDate(8, 3, 2026), ztDate::fromEpochSeconds(lateOn8March + 3 * 3600, false));
        EXPECT_EQ(ztDate(9, 3, 2026), ztDate::fromEpochSeconds(lateOn8March + 3 * 3600, true));
    }
}

TEST(ztDate, nowReadsTheClock) {
    const ScopedTimeZone zone("UTC0");
    const ztDate today(ztDate::kNow, true);
    EXPECT_GE(today.getYear(), 2024);
    EXPECT_LE(std::abs(today.dayNumber() - ztDate(ztDate::kNow, false).dayNumber()), 1);
}

} // namespace
