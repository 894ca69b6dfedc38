// Calendar dates: Gregorian day numbers from 1 January 1900 and the text styles.
#include "util/ztDate.h"

#include "messages/ztException.h"
#include "platform/ztClock.h"

#include <cstdio>

namespace {

// Indexed [leap][month]; month 0 is unused so that months index directly.
constexpr uint16_t kDaysPerMonth[2][13] = {
    {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
    {0, 31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
};
// Days of the year before the first of each month, indexed [leap][month - 1]; the last
// entry is the length of the year.
constexpr uint16_t kDaysBeforeMonth[2][13] = {
    {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365},
    {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335, 366},
};
constexpr const char* kMonthAbbreviations[13] = {"",    "Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

constexpr int64_t kFirstYear = 1900;
constexpr int64_t kLastYear = 65535; // the year is stored in 16 bits

int64_t floorDiv(int64_t inValue, int64_t inDivisor) {
    const int64_t quotient = inValue / inDivisor;
    return (inValue % inDivisor != 0 && inValue < 0) ? quotient - 1 : quotient;
}

// Leap years in the years before inYear, counted from year 0 (which is one).
int64_t leapYearsBefore(int64_t inYear) {
    const int64_t last = inYear - 1;
    return floorDiv(last, 4) - floorDiv(last, 100) + floorDiv(last, 400) + 1;
}

// Day number of 1 January of inYear.
int64_t firstDayOfYear(int64_t inYear) {
    return (inYear - kFirstYear) * 365 + leapYearsBefore(inYear) - leapYearsBefore(kFirstYear);
}

std::string printed(const char* inFormat, auto... inArgs) {
    char buffer[64];
    const int length = std::snprintf(buffer, sizeof buffer, inFormat, inArgs...);
    return std::string(buffer, length > 0 ? static_cast<size_t>(length) : 0);
}

} // namespace

ztDate::ztDate(int inMode, bool inUtc) {
    if (inMode != kNow)
        return;
    *this = fromEpochSeconds(zt::platform::secondsSinceEpoch(), inUtc);
}

ztDate::ztDate(uint16_t inDay, uint16_t inMonth, uint16_t inYear)
    : itsDay(inDay), itsMonth(inMonth), itsYear(inYear) {
    if (inDay >= 1 && inDay <= daysInMonth(inMonth, inYear))
        return;
    throw zt::ex::InvalidArgument(
        printed("Invalid date: day %u, month %u, year %u", inDay, inMonth, inYear));
}

ztDate ztDate::fromDayNumber(int32_t inDayNumber) {
    // Counting 365 days a year misses about one day in four years, so the guess lies within
    // a few dozen years of the true one anywhere in the 16-bit range; step to it.
    int64_t year = kFirstYear + floorDiv(inDayNumber, 365);
    while (firstDayOfYear(year) > inDayNumber)
        --year;
    while (firstDayOfYear(year + 1) <= inDayNumber)
        ++year;
    if (year < 0 || year > kLastYear)
        throw zt::ex::InvalidArgument(
            printed("Day number %d lies outside the years 0 to 65535", inDayNumber));

    const auto dayOfYear = static_cast<uint16_t>(inDayNumber - firstDayOfYear(year));
    const int leap = isLeapYear(static_cast<int>(year)) ? 1 : 0;
    uint16_t month = 1;
    while (month < 12 && kDaysBeforeMonth[leap][month] <= dayOfYear)
        ++month;
    ztDate result;
    result.itsYear = static_cast<uint16_t>(year);
    result.itsMonth = month;
    result.itsDay = static_cast<uint16_t>(dayOfYear - kDaysBeforeMonth[leap][month - 1] + 1);
    return result;
}

ztDate ztDate::fromEpochSeconds(int64_t inSeconds, bool inUtc) {
    zt::platform::CivilTime civil;
    const bool converted =
        inUtc ? zt::platform::toUtc(inSeconds, civil) : zt::platform::toLocal(inSeconds, civil);
    if (!converted || civil.year < 0 || civil.year > kLastYear)
        return ztDate();
    return ztDate(static_cast<uint16_t>(civil.day), static_cast<uint16_t>(civil.month),
                  static_cast<uint16_t>(civil.year));
}

bool ztDate::isLeapYear(int inYear) {
    return inYear % 4 == 0 && (inYear % 100 != 0 || inYear % 400 == 0);
}

uint16_t ztDate::daysInMonth(uint16_t inMonth, int inYear) {
    if (inMonth < 1 || inMonth > 12)
        return 0;
    return kDaysPerMonth[isLeapYear(inYear) ? 1 : 0][inMonth];
}

int32_t ztDate::dayNumber() const {
    const int leap = isLeapYear() ? 1 : 0;
    return static_cast<int32_t>(firstDayOfYear(itsYear) + kDaysBeforeMonth[leap][itsMonth - 1] +
                                itsDay - 1);
}

std::string ztDate::format(int inStyle, bool inWithYear, bool inTwoDigitYear) const {
    const bool showYear = inStyle == kStyleIso || inWithYear;
    std::string year;
    if (showYear)
        year = (inTwoDigitYear && inStyle != kStyleIso) ? printed("%02u", itsYear % 100u)
                                                        : printed("%u", unsigned{itsYear});

    const unsigned day = itsDay;
    const unsigned month = itsMonth;
    switch (inStyle) {
    case kStyleYearFirst:
    case kStyleIso:
        return printed("%s%s%02u-%02u", year.c_str(), showYear ? "-" : "", month, day);
    case kStyleDayFirst:
        return printed("%02u.%02u%s%s", day, month, showYear ? "." : "", year.c_str());
    case kStyleMonthFirst:
        return printed("%02u/%02u%s%s", month, day, showYear ? "/" : "", year.c_str());
    case kStyleCompact:
        return printed("%s%02u%02u", year.c_str(), month, day);
    default:
        return printed("%s %u%s%s", kMonthAbbreviations[month], day, showYear ? ", " : "",
                       year.c_str());
    }
}
