// Thread objects: start, stop and wait; the registry and the current thread; exceptions
// that escape a body; giving up on a body that ignores its stop event without touching a
// destroyed object; parents and children; callers that enter from outside.
#include "threads/ztThread.h"

#include "messages/ztException.h"
#include "messages/ztInfoLog.h"
#include "messages/ztMessageTexts.h"
#include "platform/ztTickCount.h"
#include "threads/ztMainThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <new>
#include <stdexcept>
#include <thread>
#include <vector>

using zt::platform::ThreadId;

namespace {

constexpr uint32_t kLongWait = 10000;

// Polls inCondition until it holds or ten seconds have passed.
template <typename Condition> bool eventually(Condition inCondition) {
    const uint64_t deadline = zt::platform::monotonicMillis() + kLongWait;
    while (!inCondition()) {
        if (zt::platform::monotonicMillis() > deadline)
            return false;
        zt::platform::sleepMillis(1);
    }
    return true;
}

bool isSetSoon(ztEvent& inEvent) {
    return !waitForEvent(kLongWait, &inEvent, 0, false);
}

// What a body shares with the test beyond the object's lifetime.
struct Shared {
    std::atomic<bool> release{false}; // lets a stubborn body end
    std::atomic<bool> bodyDone{false};
    std::atomic<bool> postRunCalled{false};
    std::atomic<bool> destroyed{false};
    std::atomic<ztErr> finalError{0xEEEE}; // the error message's value at destruction
};

// A thread whose body is a function; it records its end in shared state.
class FunctionThread : public ztThread {
public:
    using Body = std::function<void(FunctionThread&)>;

    FunctionThread(std::string inName, Body inBody, ztThread* inParent = nullptr)
        : ztThread(inParent), itsBody(std::move(inBody)) {
        itsName = std::move(inName);
    }
    ~FunctionThread() override {
        waitForBodyEnd(); // the body is a member
        shared->finalError = getErrorMessage().getErrorValue();
        shared->destroyed = true;
    }

    std::shared_ptr<Shared> shared = std::make_shared<Shared>();
    bool allowStart = true;
    bool postRunThrows = false;

    // Waits on the stop event, as bodies do.
    void waitForStop() { waitForEvent(ztWaitInfinite, &getStopEvent(), 0, false); }

protected:
    bool canStart() override { return allowStart; }
    void run() override { itsBody(*this); }
    void postRun() override {
        shared->postRunCalled = true;
        if (postRunThrows)
            throw std::runtime_error("postRun");
    }

private:
    Body itsBody;
};

// Ignores the stop event until the test releases it; touches only shared state.
FunctionThread::Body stubbornBody(std::shared_ptr<Shared> inShared, bool inThrowAtEnd) {
    return [inShared, inThrowAtEnd](FunctionThread&) {
        while (!inShared->release)
            zt::platform::sleepMillis(1);
        inShared->bodyDone = true;
        if (inThrowAtEnd)
            throw ztException(ztErr_connectFailed, ztText::connectFailed, 's', "late");
    };
}

} // namespace

TEST(ztThread, startRunsTheBodyAndStopEndsIt) {
    ztThread* seenCurrent = nullptr;
    FunctionThread thread("worker", [&](FunctionThread& ioSelf) {
        seenCurrent = &ztThread::currentThread();
        ioSelf.waitForStop();
    });
    EXPECT_EQ(thread.getThreadState(), ztThread::State::starting);
    const uint32_t started = ztThread::bodiesStarted();

    thread.start();
    EXPECT_EQ(thread.getThreadState(), ztThread::State::running);
    const ThreadId id = thread.getThreadID();
    EXPECT_NE(id, 0u);
    EXPECT_NE(id, zt::platform::currentThreadId());
    EXPECT_EQ(ztThread::threadById(id), &thread);
    EXPECT_EQ(ztThread::threadNameById(id), "worker");
    EXPECT_FALSE(thread.getStoppedEvent().isSet());

    thread.stop(7);
    thread.wait(false);
    EXPECT_EQ(thread.getThreadState(), ztThread::State::stopped);
    EXPECT_EQ(thread.getStopReason(), 7);
    EXPECT_TRUE(thread.stopRequested());
    EXPECT_TRUE(thread.getStoppedEvent().isSet());
    EXPECT_EQ(ztThread::threadById(id), nullptr) << "only running threads are registered";
    EXPECT_EQ(seenCurrent, &thread);
    EXPECT_TRUE(thread.getErrorMessage().isEmpty());
    EXPECT_TRUE(thread.shared->postRunCalled);
    EXPECT_GE(ztThread::bodiesStarted() - started, 1u);
    EXPECT_EQ(&ztThread::currentThread(), &ztThread::mainThread()) << "outside any body";
}

TEST(ztThread, aStoppedThreadStartsAgain) {
    std::atomic<int> runs{0};
    FunctionThread thread("again", [&](FunctionThread& ioSelf) {
        ++runs;
        ioSelf.waitForStop();
    });
    for (int i = 1; i <= 2; ++i) {
        SCOPED_TRACE(i);
        thread.start();
        EXPECT_EQ(thread.getThreadState(), ztThread::State::running);
        EXPECT_FALSE(thread.stopRequested()) << "start resets the stop event";
        EXPECT_FALSE(thread.getStoppedEvent().isSet());
        thread.stopAndWait(0);
        EXPECT_EQ(thread.getThreadState(), ztThread::State::stopped);
        EXPECT_EQ(runs, i);
    }
}

TEST(ztThread, stopAndWaitBeforeStartDoNothing) {
    FunctionThread thread("idle", [](FunctionThread&) {});
    thread.stop(3);
    thread.wait(false);
    thread.wait(true);
    thread.stopAndWait(3);
    thread.terminate();
    EXPECT_EQ(thread.getThreadState(), ztThread::State::starting);
    EXPECT_FALSE(thread.stopRequested());
    EXPECT_EQ(thread.getStopReason(), 0);
    EXPECT_FALSE(thread.getStoppedEvent().isSet());
}

TEST(ztThread, canStartFalseKeepsTheThreadFromStarting) {
    std::atomic<bool> ran{false};
    FunctionThread thread("refuses", [&](FunctionThread&) { ran = true; });
    thread.allowStart = false;
    thread.start();
    EXPECT_EQ(thread.getThreadState(), ztThread::State::starting);
    EXPECT_EQ(thread.getThreadID(), 0u);
    thread.wait(false);
    EXPECT_FALSE(ran);
}

TEST(ztThread, waitFromTheThreadItselfReturnsAtOnce) {
    FunctionThread thread("self", [](FunctionThread& ioSelf) {
        ioSelf.wait(false);
        ioSelf.wait(true);
    });
    thread.start();
    ASSERT_TRUE(isSetSoon(thread.getStoppedEvent())) << "the body waited for itself";
    EXPECT_EQ(thread.getThreadState(), ztThread::State::stopped);
}

TEST(ztThread, anExceptionThatEscapesTheBodyBecomesItsErrorMessage) {
    struct Row {
        const char* name;
        std::function<void()> thrower;
        ztErr expected;
        const char* expectedTemplate;
    };
    const Row rows[] = {
        {"ztException",
         [] { throw ztException(ztErr_connectFailed, ztText::connectFailed, 's', "srv"); },
         ztErr_connectFailed, ztText::connectFailed},
        {"out of memory", [] { throw std::bad_alloc(); }, ztErr_noMemory, ztText::noMemory},
        {"other standard exception", [] { throw std::runtime_error("boom"); }, ztErr_internal,
         ztText::unexpectedException},
        {"not a standard exception", [] { throw 42; }, ztErr_internal, ztText::internalErrorAt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FunctionThread thread("thrower", [&](FunctionThread&) { row.thrower(); });
        thread.start();
        ASSERT_TRUE(isSetSoon(thread.getStoppedEvent()));
        thread.wait(false);
        const ztErrorMessage& error = thread.getErrorMessage();
        EXPECT_EQ(error.getErrorValue(), row.expected);
        EXPECT_EQ(error.getTemplate(), row.expectedTemplate);
        EXPECT_TRUE(thread.shared->postRunCalled) << "postRun runs after an exception too";
        if (row.expected == ztErr_connectFailed) {
            EXPECT_EQ(error.getParam('s'), "srv");
        }
        if (std::string(row.name) == "other standard exception") {
            EXPECT_EQ(error.getParam('e'), "boom");
        }
        if (row.expectedTemplate == ztText::internalErrorAt) {
            const std::string file = error.getParam('f');
            EXPECT_TRUE(file.ends_with("ztThread.cpp")) << file;
            const std::string line = error.getParam('l');
            EXPECT_FALSE(line.empty());
            EXPECT_EQ(line.find_first_not_of("0123456789"), std::string::npos) << line;
        }
    }
}

TEST(ztThread, aThrowingPostRunStillEndsStopped) {
    FunctionThread thread("postRun", [](FunctionThread&) {});
    thread.postRunThrows = true;
    thread.start();
    ASSERT_TRUE(isSetSoon(thread.getStoppedEvent()));
    thread.wait(false);
    EXPECT_EQ(thread.getThreadState(), ztThread::State::stopped);
}

TEST(ztThread, waitWithCancelReturnsNormallyForABodyThatEnds) {
    FunctionThread thread("prompt", [](FunctionThread& ioSelf) { ioSelf.waitForStop(); });
    thread.start();
    thread.stop(0);
    thread.wait(true);
    EXPECT_EQ(thread.getThreadState(), ztThread::State::stopped);
    EXPECT_TRUE(thread.shared->postRunCalled);
}

// The owner sees a stopped thread within the bound; the body runs on to its end on
// shared state, and the object waits for it before it goes away.
TEST(ztThread, terminateGivesUpOnABodyThatIgnoresItsStopEvent) {
    auto shared = std::make_shared<Shared>();
    {
        FunctionThread thread("stubborn", stubbornBody(shared, false));
        thread.shared = shared;
        thread.start();
        const ThreadId id = thread.getThreadID();

        const uint64_t begin = zt::platform::monotonicMillis();
        thread.terminate();
        const uint64_t elapsed = zt::platform::monotonicMillis() - begin;
        EXPECT_GE(elapsed, 240u);
        EXPECT_LT(elapsed, 1250u);
        EXPECT_EQ(thread.getThreadState(), ztThread::State::stopped);
        EXPECT_TRUE(thread.getStoppedEvent().isSet());
        EXPECT_TRUE(thread.stopRequested());
        EXPECT_EQ(ztThread::threadById(id), nullptr);
        EXPECT_FALSE(shared->bodyDone) << "the body still runs";

        thread.wait(false); // a stopped thread: returns at once
        shared->release = true;
    } // the destructor waits for the body
    EXPECT_TRUE(shared->bodyDone);
    EXPECT_TRUE(shared->destroyed);
    EXPECT_FALSE(shared->postRunCalled) << "a body given up on gets no postRun";
}

// Owned by shared pointers, the object is kept by its body: the owner lets go without
// waiting and the object goes away when the body ends. What the body does after the
// give-up (here: throw) no longer reaches the object.
TEST(ztThread, aSharedThreadOutlivesItsOwnerUntilTheBodyEnds) {
    auto shared = std::make_shared<Shared>();
    auto thread = std::make_shared<FunctionThread>("shared", stubbornBody(shared, true));
    thread->shared = shared;
    thread->start();

    const uint64_t begin = zt::platform::monotonicMillis();
    thread->terminate();
    EXPECT_EQ(thread->getThreadState(), ztThread::State::stopped);
    thread.reset();
    EXPECT_LT(zt::platform::monotonicMillis() - begin, 1250u) << "dropping the owner waited";
    EXPECT_FALSE(shared->destroyed) << "the running body keeps the object";

    shared->release = true;
    ASSERT_TRUE(eventually([&] { return shared->destroyed.load(); }));
    EXPECT_TRUE(shared->bodyDone);
    EXPECT_EQ(shared->finalError, ztErr_noError);
    EXPECT_FALSE(shared->postRunCalled);
}

// The minimal subclass: its destructor stops the body and waits for it.
class BareThread : public ztThread {
public:
    ~BareThread() override { waitForBodyEnd(); }

protected:
    void run() override { waitForEvent(ztWaitInfinite, &getStopEvent(), 0, false); }
};

TEST(ztThread, destroyingARunningThreadStopsAndWaitsForItsBody) {
    auto thread = std::make_unique<BareThread>();
    thread->start();
    ASSERT_EQ(thread->getThreadState(), ztThread::State::running);
    thread.reset();
}

TEST(ztThread, childrenAreListedWithTheirParentAndMayOutliveIt) {
    auto parent = std::make_unique<FunctionThread>("parent", [](FunctionThread&) {});
    auto child = std::make_unique<FunctionThread>(
        "child", [](FunctionThread&) {}, parent.get());
    EXPECT_EQ(parent->getChildCount(), 1u);
    parent.reset();
    child.reset(); // leaves the list of a parent that is gone

    size_t childrenSeen = 0;
    FunctionThread outer("outer", [&](FunctionThread& ioSelf) {
        FunctionThread inner("inner", [](FunctionThread&) {}); // parent: the current thread
        childrenSeen = ioSelf.getChildCount();
    });
    outer.start();
    outer.wait(false);
    EXPECT_EQ(childrenSeen, 1u);
    EXPECT_EQ(outer.getChildCount(), 0u);
}

TEST(ztThread, callersFromOutsideAreTheMainThread) {
    ztMainThread& main = ztThread::mainThread();
    constexpr size_t kCallers = 6;
    std::vector<ThreadId> ids(kCallers);
    std::vector<char> currentIsMain(kCallers);
    std::vector<char> registeredAsMain(kCallers);
    std::vector<std::thread> callers;
    for (size_t i = 0; i < kCallers; ++i) {
        callers.emplace_back([&, i] {
            ztThread::enterFromOutside();
            ztThread::enterFromOutside();
            ids[i] = zt::platform::currentThreadId();
            currentIsMain[i] = &ztThread::currentThread() == &main;
            registeredAsMain[i] = ztThread::threadById(ids[i]) == &main;
        });
    }
    for (std::thread& caller : callers)
        caller.join();
    EXPECT_TRUE(main.isRegistered());
    for (size_t i = 0; i < kCallers; ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(currentIsMain[i]);
        EXPECT_TRUE(registeredAsMain[i]);
        EXPECT_EQ(ztThread::threadNameById(ids[i]), "main thread");
    }
}

TEST(ztThread, logLinesNameTheCurrentThread) {
    ThreadId workerId = 0;
    FunctionThread thread("labeller", [&](FunctionThread&) {
        workerId = zt::platform::currentThreadId();
        ztLog(3, "worker probe");
    });
    const ztLogConfig saved = ztLogGetConfig();
    ztLogConfig verbose = saved;
    verbose.threshold = 5; // thread labels are written above level 4
    verbose.destination = ztLogToStdErr;
    ::testing::internal::CaptureStderr();
    ztLogSetConfig(verbose);
    thread.start();
    thread.wait(false);
    ztLog(3, "main probe");
    ztLogSetConfig(saved);
    const std::string output = ::testing::internal::GetCapturedStderr();

    EXPECT_NE(output.find("[" + std::to_string(workerId) + " labeller] "), std::string::npos)
        << output;
    const std::string mainLabel =
        "[" + std::to_string(zt::platform::currentThreadId()) + " main thread] ";
    EXPECT_NE(output.find(mainLabel), std::string::npos) << output;
}
