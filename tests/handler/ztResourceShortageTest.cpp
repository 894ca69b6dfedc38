// A series of resource shortages on the accepting side: which failure begins one and which
// running connection ends it, so that each series is logged once whatever order the
// listener and the handshake threads report in.
#include "netobjects/ztResourceShortage.h"

#include <gtest/gtest.h>

TEST(ztResourceShortage, aConnectionAcceptedBeforeTheFailureDoesNotEndTheSeries) {
    ztResourceShortage shortage;
    // A handshake is under way when the next accept fails; it completes afterwards.
    const uint64_t underWay = shortage.accepted();
    EXPECT_TRUE(shortage.failed(underWay));
    EXPECT_FALSE(shortage.recovered(underWay));
    EXPECT_FALSE(shortage.failed(underWay)) << "still the same series";
    EXPECT_TRUE(shortage.recovered(shortage.accepted()));
}

TEST(ztResourceShortage, aFailureReportedLateIsEndedByTheConnectionAcceptedAfterIt) {
    ztResourceShortage shortage;
    // The handler of the first connection could not be made; its client connected anew
    // before that thread reported the failure.
    const uint64_t failing = shortage.accepted();
    const uint64_t anew = shortage.accepted();
    EXPECT_TRUE(shortage.failed(failing));
    EXPECT_TRUE(shortage.recovered(anew));
}

TEST(ztResourceShortage, eachSeriesBeginsAndEndsOnce) {
    ztResourceShortage shortage;
    EXPECT_TRUE(shortage.failed(0)) << "an accept fails before any connection";
    EXPECT_FALSE(shortage.failed(0));
    const uint64_t first = shortage.accepted();
    const uint64_t second = shortage.accepted();
    EXPECT_TRUE(shortage.recovered(second));
    EXPECT_FALSE(shortage.recovered(first)) << "the series has ended already";

    // A later series counts from its own failure.
    EXPECT_TRUE(shortage.failed(second));
    EXPECT_FALSE(shortage.recovered(first));
    EXPECT_FALSE(shortage.recovered(second));
    EXPECT_TRUE(shortage.recovered(shortage.accepted()));
}
