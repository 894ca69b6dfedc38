#pragma once
// A calendar date (day, month, full year) with day-number arithmetic counted from
// 1 January 1900 and the fixed text styles that logs and session listings show.

#include <cstdint>
#include <string>

class ztDate {
public:
    // Mode of the (mode, utc) constructor that reads the system clock.
    static constexpr int kNow = 1;

    // Text styles of format(); the examples show 9 March 2026 with the year.
    static constexpr int kStyleMonthName = 0;  // "Mar 9, 2026" (also any unknown style)
    static constexpr int kStyleYearFirst = 1;  // "2026-03-09"
    static constexpr int kStyleDayFirst = 2;   // "09.03.2026"
    static constexpr int kStyleMonthFirst = 3; // "03/09/2026"
    static constexpr int kStyleCompact = 4;    // "20260309"
    static constexpr int kStyleIso = 5;        // "2026-03-09", always with the full year

    // 1 January 1900, which is day number 0.
    ztDate() = default;
    // inMode kNow gives today's date from the system clock, in UTC when inUtc is set and in
    // local time otherwise; any other mode gives 1 January 1900.
    explicit ztDate(int inMode, bool inUtc = false);
    // A given date. Throws zt::ex::InvalidArgument when the month is not 1 to 12 or the day
    // does not exist in that month, so every stored date can index the month tables.
    ztDate(uint16_t inDay, uint16_t inMonth, uint16_t inYear);

    // The date whose dayNumber() is inDayNumber. Throws zt::ex::InvalidArgument when that
    // date's year lies outside 0 to 65535.
    static ztDate fromDayNumber(int32_t inDayNumber);
    // The calendar date of an instant given in seconds since 1970-01-01 00:00:00 UTC, in UTC
    // or in the process's local time zone. An instant the C library cannot convert gives
    // 1 January 1900.
    static ztDate fromEpochSeconds(int64_t inSeconds, bool inUtc);

    // Gregorian rule: divisible by 4, and not by 100 unless by 400.
    static bool isLeapYear(int inYear);
    bool isLeapYear() const { return isLeapYear(itsYear); }
    // Days in month inMonth (1 to 12) of year inYear; 0 for a month outside 1 to 12.
    static uint16_t daysInMonth(uint16_t inMonth, int inYear);

    // Days since 1 January 1900 (day 0); negative before it. Exact Gregorian counting
    // for every year, 2100 included.
    int32_t dayNumber() const;

    // The date as text in inStyle (kStyle...). The year is shown when inWithYear is set or
    // the style is kStyleIso; inTwoDigitYear shortens it to its last two digits except in
    // kStyleIso.
    std::string format(int inStyle = kStyleMonthName, bool inWithYear = true,
                       bool inTwoDigitYear = false) const;

    uint16_t getDay() const { return itsDay; }
    uint16_t getMonth() const { return itsMonth; }
    uint16_t getYear() const { return itsYear; }

    friend bool operator==(const ztDate&, const ztDate&) = default;

private:
    uint16_t itsDay = 1;
    uint16_t itsMonth = 1;
    uint16_t itsYear = 1900;
};
