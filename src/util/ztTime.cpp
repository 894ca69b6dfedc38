// Times of day and their text forms.
#include "util/ztTime.h"

#include "platform/ztClock.h"

#include <cstdio>

namespace {

std::string number(const char* inFormat, unsigned inValue) {
    char buffer[16];
    const int length = std::snprintf(buffer, sizeof buffer, inFormat, inValue);
    return std::string(buffer, length > 0 ? static_cast<size_t>(length) : 0);
}

} // namespace

ztTime::ztTime(int inMode, bool inUtc) {
    if (inMode != kNow)
        return;
    *this = fromEpochSeconds(zt::platform::secondsSinceEpoch(), inUtc);
}

ztTime::ztTime(uint16_t inHour, uint16_t inMinute, uint16_t inSecond, uint16_t inHundredths)
    : itsHour(inHour), itsMinute(inMinute), itsSecond(inSecond), itsHundredths(inHundredths) {}

ztTime ztTime::fromEpochSeconds(int64_t inSeconds, bool inUtc) {
    zt::platform::CivilTime civil;
    const bool converted =
        inUtc ? zt::platform::toUtc(inSeconds, civil) : zt::platform::toLocal(inSeconds, civil);
    if (!converted)
        return ztTime();
    return ztTime(static_cast<uint16_t>(civil.hour), static_cast<uint16_t>(civil.minute),
                  static_cast<uint16_t>(civil.second));
}

std::string ztTime::format(std::string_view inSeparator, bool inWithSeconds, bool in24Hour) const {
    unsigned hour = itsHour;
    const char* suffix = "";
    if (!in24Hour) {
        suffix = hour < 12 ? " AM" : " PM";
        if (hour == 0)
            hour = 12;
        else if (hour > 12 && hour < 24)
            hour -= 12;
    }

    // Equivalent to "%02u%s%02u%s%02u%s" (24-hour) and "%u%s%02u%s%02u%s" (12-hour), built
    // piecewise because the separator has no length limit.
    std::string text = number(in24Hour ? "%02u" : "%u", hour);
    text += inSeparator;
    text += number("%02u", itsMinute);
    if (inWithSeconds) {
        text += inSeparator;
        text += number("%02u", itsSecond);
    }
    text += suffix;
    return text;
}
