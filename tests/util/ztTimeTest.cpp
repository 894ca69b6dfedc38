// Times of day: the 12- and 24-hour text forms and the local/UTC time of an instant.
#include "util/ztTime.h"

#include "util/ScopedTimeZone.h"

#include <gtest/gtest.h>

namespace {

TEST(ztTime, format) {
    const struct {
        const char* name;
        ztTime time;
        const char* separator;
        bool withSeconds;
        bool is24Hour;
        const char* expected;
    } rows[] = {
        {"midnight is 12 AM", ztTime(0, 5, 0), ":", false, false, "12:05 AM"},
        {"afternoon loses 12", ztTime(13, 0, 0), ":", false, false, "1:00 PM"},
        {"noon is 12 PM", ztTime(12, 0, 0), ":", false, false, "12:00 PM"},
        {"last second before noon", ztTime(11, 59, 59), ":", true, false, "11:59:59 AM"},
        {"last second of the day", ztTime(23, 59, 59), ":", true, false, "11:59:59 PM"},
        {"24-hour pads the hour", ztTime(9, 5, 7), ":", true, true, "09:05:07"},
        {"24-hour midnight", ztTime(0, 0, 0), ":", true, true, "00:00:00"},
        {"24-hour without seconds", ztTime(9, 5, 7), ".", false, true, "09.05"},
        {"long separator", ztTime(21, 5, 7), " h ", true, true, "21 h 05 h 07"},
        {"empty separator", ztTime(21, 5, 7), "", true, false, "90507 PM"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.expected, row.time.format(row.separator, row.withSeconds, row.is24Hour));
    }
}

TEST(ztTime, instantInLocalAndUtcTime) {
    const int64_t instant = 1773065100; // 2026-03-09 14:05:00 UTC
    const ScopedTimeZone zone("XXX-5:30");
    EXPECT_EQ(ztTime(14, 5, 0), ztTime::fromEpochSeconds(instant, true));
    EXPECT_EQ(ztTime(19, 35, 0), ztTime::fromEpochSeconds(instant, false));
}

TEST(ztTime, otherModesGiveMidnight) {
    EXPECT_EQ(ztTime(), ztTime(0, true));
}

} // namespace
