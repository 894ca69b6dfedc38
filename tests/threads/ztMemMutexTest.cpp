// The deadlock check: a lock that would close a cycle of waiting threads is refused with
// the whole chain in its text, the other threads go on undisturbed, and a chain that ends
// at a thread that is not waiting blocks as usual.
#include "threads/ztMemMutex.h"

#include "messages/ztException.h"
#include "platform/ztTickCount.h"
#include "threads/ztMultiEvent.h"
#include "threads/ztStMutex.h"
#include "threads/ztThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <memory>
#include <thread>
#include <vector>

using zt::platform::ThreadId;

namespace {

// Polls inCondition until it holds or ten seconds have passed.
template <typename Condition> bool eventually(Condition inCondition) {
    const uint64_t deadline = zt::platform::monotonicMillis() + 10000;
    while (!inCondition()) {
        if (zt::platform::monotonicMillis() > deadline)
            return false;
        zt::platform::sleepMillis(1);
    }
    return true;
}

bool isWaitingFor(ThreadId inThread, const ztMemMutex& inMutex) {
    return eventually([&] { return ztMemMutex::waitedOnBy(inThread) == &inMutex; });
}

std::string numberOf(const ztMutex& inMutex) {
    return std::to_string(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&inMutex)));
}

std::string describe(const ztThread& inThread) {
    return inThread.getName() + "(" + std::to_string(inThread.getThreadID()) + ")";
}

std::string describe(const ztMutex& inMutex) {
    return inMutex.getName() + "(" + numberOf(inMutex) + ")";
}

// Holds its own mutex, then on "go" asks for the next one; a refused lock is kept.
class ChainThread : public ztThread {
public:
    ChainThread(std::string inName, ztMemMutex& ioOwn, ztMemMutex& ioNext)
        : itsOwn(ioOwn), itsNext(ioNext) {
        itsName = std::move(inName);
    }
    ~ChainThread() override {
        go.set();
        waitForBodyEnd();
    }

    ztSingleEvent holding;
    ztSingleEvent go;
    std::string refusal; // written by the body; read after it stopped

protected:
    void run() override {
        ztStMutex own(&itsOwn);
        holding.set();
        ztMultiEvent goOrStop(&go, &getStopEvent());
        waitForEvent(ztWaitInfinite, &goOrStop, 0, false);
        try {
            ztStMutex next(&itsNext);
        } catch (const ztException& inException) {
            EXPECT_EQ(inException.getErrorValue(), ztErr_internal);
            refusal = inException.what();
        }
    }

private:
    ztMemMutex& itsOwn;
    ztMemMutex& itsNext;
};

} // namespace

// T1 holds A and waits for B, ..., Tn holds the last mutex and asks for A.
TEST(ztMemMutex, refusesTheLockThatClosesACycle) {
    for (const size_t n : {2u, 3u}) {
        SCOPED_TRACE(std::to_string(n) + " threads");
        std::vector<std::unique_ptr<ztMemMutex>> mutexes;
        for (size_t i = 0; i < n; ++i)
            mutexes.push_back(std::make_unique<ztMemMutex>(std::string(1, char('A' + i))));
        std::vector<std::unique_ptr<ChainThread>> threads;
        for (size_t i = 0; i < n; ++i) {
            threads.push_back(std::make_unique<ChainThread>("T" + std::to_string(i + 1),
                                                            *mutexes[i], *mutexes[(i + 1) % n]));
        }
        for (auto& thread : threads) {
            thread->start();
            ASSERT_FALSE(waitForEvent(10000, &thread->holding, 0, false));
        }
        for (size_t i = 0; i + 1 < n; ++i) {
            threads[i]->go.set();
            ASSERT_TRUE(isWaitingFor(threads[i]->getThreadID(), *mutexes[i + 1]));
        }
        std::string expected = "Detected deadlock. " + describe(*threads[n - 1]);
        for (size_t i = 0; i < n; ++i)
            expected += "->[" + describe(*mutexes[i]) + "]-" + describe(*threads[i]);
        expected += ".";

        threads[n - 1]->go.set();
        for (auto& thread : threads)
            ASSERT_FALSE(waitForEvent(10000, &thread->getStoppedEvent(), 0, false));

        EXPECT_EQ(threads[n - 1]->refusal, expected);
        for (size_t i = 0; i + 1 < n; ++i) {
            EXPECT_EQ(threads[i]->refusal, "") << "T" << i + 1 << " got its mutex in the end";
            EXPECT_TRUE(threads[i]->getErrorMessage().isEmpty());
        }
        for (auto& mutex : mutexes)
            EXPECT_FALSE(mutex->isLocked());
    }
}

TEST(ztMemMutex, namesUnknownThreadsAndUnnamedMutexesByNumber) {
    ztMemMutex a;
    ztMemMutex b;
    std::promise<ThreadId> firstId;
    std::promise<ThreadId> secondId;
    std::shared_future<ThreadId> secondHoldsB = secondId.get_future().share();
    std::thread first([&] {
        ztStMutex holdA(&a);
        firstId.set_value(zt::platform::currentThreadId());
        secondHoldsB.wait();
        ztStMutex waitB(&b);
    });
    const ThreadId firstThread = firstId.get_future().get();

    std::string refusal;
    std::thread second([&] {
        ztStMutex holdB(&b);
        secondId.set_value(zt::platform::currentThreadId());
        if (!isWaitingFor(firstThread, b))
            return;
        try {
            ztStMutex askA(&a);
        } catch (const ztException& inException) {
            refusal = inException.what();
        }
    });
    second.join();
    first.join();
    const ThreadId secondThread = secondHoldsB.get();
    EXPECT_EQ(refusal, "Detected deadlock. " + std::to_string(secondThread) + "->[" + numberOf(a) +
                           "]-" + std::to_string(firstThread) + "->[" + numberOf(b) + "]-" +
                           std::to_string(secondThread) + ".");
    EXPECT_EQ(ztMemMutex::waitedOnBy(secondThread), nullptr) << "a refused wait leaves no entry";
}

TEST(ztMemMutex, aChainWithoutACycleBlocksAsUsual) {
    ztMemMutex a("A");
    ztMemMutex b("B");
    ztStMutex holdB(&b); // this thread holds B and waits for nothing

    std::promise<ThreadId> firstId;
    std::thread first([&] {
        ztStMutex holdA(&a);
        firstId.set_value(zt::platform::currentThreadId());
        ztStMutex waitB(&b);
    });
    const ThreadId firstThread = firstId.get_future().get();
    ASSERT_TRUE(isWaitingFor(firstThread, b));

    std::atomic<bool> secondGotA{false};
    std::promise<ThreadId> secondId;
    std::thread second([&] {
        secondId.set_value(zt::platform::currentThreadId());
        ztStMutex askA(&a); // A -> first -> B -> this test thread, which does not wait
        secondGotA = true;
    });
    const ThreadId secondThread = secondId.get_future().get();
    EXPECT_TRUE(isWaitingFor(secondThread, a));
    EXPECT_FALSE(secondGotA);

    holdB.unlock();
    first.join();
    second.join();
    EXPECT_TRUE(secondGotA);
    EXPECT_EQ(ztMemMutex::waitedOnBy(firstThread), nullptr);
    EXPECT_EQ(ztMemMutex::waitedOnBy(secondThread), nullptr);
}
