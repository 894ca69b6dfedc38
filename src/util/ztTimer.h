#pragma once
// A millisecond stopwatch over the 32-bit tick count. Time-outs of requests, sessions and
// net responses are measured with it; the tick count wraps about every 49.7 days, so only
// spans shorter than that are meaningful.

#include <cstdint>

class ztTimer {
public:
    // With inStart the timer starts at once; otherwise its stamp is 0 until start().
    explicit ztTimer(bool inStart = false);
    ztTimer(const ztTimer&) = default;
    ztTimer& operator=(const ztTimer&) = default;
    virtual ~ztTimer() = default;

    // Stamps the current tick count.
    void start();
    // Milliseconds since the stamp, correct across one wrap of the tick count.
    uint32_t elapsed() const;
    // inLimit minus elapsed(), or 0 once the limit has passed.
    uint32_t remaining(uint32_t inLimit) const;
    uint32_t getStamp() const { return itsStamp; }

private:
    uint32_t itsStamp = 0;
};
