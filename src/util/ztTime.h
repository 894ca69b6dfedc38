#pragma once
// A time of day (hour, minute, second, hundredths) and its 12- and 24-hour text forms.

#include <cstdint>
#include <string>
#include <string_view>

class ztTime {
public:
    // Mode of the (mode, utc) constructor that reads the system clock.
    static constexpr int kNow = 1;

    // Midnight.
    ztTime() = default;
    // inMode kNow gives the current time of day, in UTC when inUtc is set and in local time
    // otherwise; any other mode gives midnight. Hundredths are always 0.
    explicit ztTime(int inMode, bool inUtc = false);
    // Stores the fields as given; they are not checked.
    ztTime(uint16_t inHour, uint16_t inMinute, uint16_t inSecond, uint16_t inHundredths = 0);

    // The time of day of an instant given in seconds since 1970-01-01 00:00:00 UTC, in UTC or
    // in the process's local time zone. An instant the C library cannot convert gives midnight.
    static ztTime fromEpochSeconds(int64_t inSeconds, bool inUtc);

    // The time as text: hour, inSeparator, minute and, with inWithSeconds, inSeparator and
    // second. The 24-hour form writes the hour with two digits; the 12-hour form writes it
    // without a leading zero (midnight and noon are 12) and appends " AM" or " PM".
    std::string format(std::string_view inSeparator = ":", bool inWithSeconds = true,
                       bool in24Hour = true) const;

    uint16_t getHour() const { return itsHour; }
    uint16_t getMinute() const { return itsMinute; }
    uint16_t getSecond() const { return itsSecond; }
    uint16_t getHundredths() const { return itsHundredths; }

    friend bool operator==(const ztTime&, const ztTime&) = default;

private:
    uint16_t itsHour = 0;
    uint16_t itsMinute = 0;
    uint16_t itsSecond = 0;
    uint16_t itsHundredths = 0;
};
