// The manual-reset event: level semantics, and its descriptor as poll sees it.
#include "platform/ztEventFd.h"

#include "platform/ztPoll.h"

#include <gtest/gtest.h>

#include <utility>

using namespace zt::platform;

namespace {

bool readIsSet(const EventFd& inEvent) {
    bool set = true;
    EXPECT_EQ(inEvent.isSet(set), 0);
    return set;
}

bool pollSeesSet(const EventFd& inEvent) {
    PollEntry entry{inEvent.fd(), pollFlag::readable, 0};
    return pollFds({&entry, 1}, 0) == 1 && entry.ready == pollFlag::readable;
}

} // namespace

TEST(ztEventFd, staysSetUntilReset) {
    EventFd event;
    ASSERT_EQ(EventFd::create(event), 0);
    ASSERT_TRUE(event.valid());
    EXPECT_FALSE(readIsSet(event));
    EXPECT_FALSE(pollSeesSet(event));

    ASSERT_EQ(event.set(), 0);
    ASSERT_EQ(event.set(), 0);
    // Looking does not consume the signal: every waiter sees it.
    EXPECT_TRUE(readIsSet(event));
    EXPECT_TRUE(pollSeesSet(event));
    EXPECT_TRUE(pollSeesSet(event));

    // One reset clears any number of sets.
    ASSERT_EQ(event.reset(), 0);
    EXPECT_FALSE(readIsSet(event));
    EXPECT_FALSE(pollSeesSet(event));
    EXPECT_EQ(event.reset(), 0) << "resetting a clear event is not an error";
}

TEST(ztEventFd, moveHandsOverTheDescriptor) {
    EventFd first;
    ASSERT_EQ(EventFd::create(first), 0);
    const int fd = first.fd();
    EventFd second(std::move(first));
    EXPECT_FALSE(first.valid());
    EXPECT_EQ(second.fd(), fd);
    ASSERT_EQ(second.set(), 0);
    EXPECT_TRUE(readIsSet(second));
}
