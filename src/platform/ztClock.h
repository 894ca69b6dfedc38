#pragma once
// Wall-clock time and the conversions between seconds since 1970 and calendar fields in
// local time or UTC.

#include <cstdint>

namespace zt::platform {

// Calendar fields as the C library's broken-down time has them, but with a full year,
// a month from 1 to 12 and a week day from 0 (Sunday) to 6.
struct CivilTime {
    int year = 1970;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int weekDay = 4;
    int yearDay = 0; // 0 for 1 January
    bool daylightSaving = false;
};

// Seconds since 1970-01-01 00:00:00 UTC.
int64_t secondsSinceEpoch();

// Splits inSeconds into local or UTC calendar fields. Returns false when the C library
// cannot represent the time.
bool toLocal(int64_t inSeconds, CivilTime& outTime);
bool toUtc(int64_t inSeconds, CivilTime& outTime);

// Joins calendar fields back into seconds since 1970; the local form lets the C library
// decide daylight saving. Returns false when the fields cannot be represented.
bool fromLocal(const CivilTime& inTime, int64_t& outSeconds);
bool fromUtc(const CivilTime& inTime, int64_t& outSeconds);

} // namespace zt::platform
