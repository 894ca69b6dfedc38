// Operating-system threads: the procedure runs with its argument on a thread of its own,
// and the owner object knows that thread.
#include "platform/ztNativeThread.h"

#include "platform/ztThreadId.h"

#include <gtest/gtest.h>

#include <future>
#include <utility>

using namespace zt::platform;

namespace {

struct Probe {
    // The handle is filled only after start returns; the procedure waits for it.
    std::promise<const NativeThread*> handle;
    ThreadId id = 0;
    bool isCurrentInside = false;
};

void recordProbe(void* ioProbe) {
    auto* probe = static_cast<Probe*>(ioProbe);
    probe->id = currentThreadId();
    probe->isCurrentInside = probe->handle.get_future().get()->isCurrent();
}

} // namespace

TEST(ztNativeThread, runsTheProcedureOnANewThread) {
    Probe probe;
    NativeThread thread;
    ASSERT_EQ(NativeThread::start(&recordProbe, &probe, thread), 0);
    EXPECT_TRUE(thread.joinable());
    EXPECT_FALSE(thread.isCurrent());
    probe.handle.set_value(&thread);
    ASSERT_EQ(thread.join(), 0);
    EXPECT_FALSE(thread.joinable());
    EXPECT_NE(probe.id, 0u);
    EXPECT_NE(probe.id, currentThreadId());
    EXPECT_TRUE(probe.isCurrentInside);
}

TEST(ztNativeThread, moveHandsOverTheThread) {
    NativeThread thread;
    ASSERT_EQ(NativeThread::start([](void*) {}, nullptr, thread), 0);
    NativeThread owner(std::move(thread));
    EXPECT_FALSE(thread.joinable());
    ASSERT_TRUE(owner.joinable());
    EXPECT_EQ(owner.join(), 0);
}
