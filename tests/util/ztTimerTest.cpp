// The millisecond stopwatch across the wrap of the 32-bit tick count. The tick count is
// moved with its test offset instead of waiting.
#include "util/ztTimer.h"

#include "platform/ztTickCount.h"

#include <gtest/gtest.h>

namespace {

class ztTimerTest : public ::testing::Test {
protected:
    void TearDown() override { zt::platform::setTickCountOffset(0); }

    // Makes tickCount() read inTicks now.
    void setTickCount(uint32_t inTicks) {
        itsOffset = inTicks - static_cast<uint32_t>(zt::platform::monotonicMillis());
        zt::platform::setTickCountOffset(itsOffset);
    }
    // Lets inMillis milliseconds pass on the tick count.
    void advance(uint32_t inMillis) {
        itsOffset += inMillis;
        zt::platform::setTickCountOffset(itsOffset);
    }

private:
    uint32_t itsOffset = 0;
};

TEST_F(ztTimerTest, elapsedIsTheDistanceAcrossTheWrap) {
    const struct {
        const char* name;
        uint32_t startTicks;
        uint32_t advanceMillis;
    } rows[] = {
        {"no wrap", 1000, 250},
        {"wrap between start and reading", 0xFFFFFFF0, 0x20},
        {"start on the last tick", 0xFFFFFFFF, 1},
        {"reading lands exactly on zero", 0xFFFFFF00, 0x100},
        {"long span across the wrap", 0x80000000, 0xC0000000},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        setTickCount(row.startTicks);
        const ztTimer timer(true);
        advance(row.advanceMillis);

        // The tick count may move on by itself between the readings around elapsed().
        const uint32_t before = zt::platform::tickCount() - timer.getStamp();
        const uint32_t elapsed = timer.elapsed();
        const uint32_t after = zt::platform::tickCount() - timer.getStamp();
        EXPECT_GE(before, row.advanceMillis);
        EXPECT_GE(elapsed, before);
        EXPECT_LE(elapsed, after);
        EXPECT_EQ(0u, timer.remaining(row.advanceMillis));
        const uint32_t remaining = timer.remaining(row.advanceMillis + 60000);
        EXPECT_GT(remaining, 0u);
        EXPECT_LE(remaining, 60000u);
    }
}

TEST_F(ztTimerTest, restartMeasuresFromTheNewStamp) {
    setTickCount(0xFFFFFFFE);
    ztTimer timer(true);
    advance(5000);
    timer.start();
    EXPECT_LT(timer.elapsed(), 1000u);
    EXPECT_EQ(0u, ztTimer().getStamp());
}

} // namespace
