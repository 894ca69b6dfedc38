#pragma once
// The base of every worker thread: it owns the operating-system thread, its life-cycle
// state, a stop event that asks the body to finish, a stopped event, and the error of an
// exception that escaped the body. Its static side ties kernel thread ids to thread objects
// (the registry) and knows the calling thread's object (currentThread).
//
// Lifetime rules, because a thread cannot be killed safely:
// - wait(true) and terminate() give up on a body that has not ended within 250 ms: the
//   object reads stopped at once and its stopped event is set, but the body runs on to
//   its own end. What it does after that point no longer reaches the object's state or
//   error message, and postRun is not called for it.
// - The object stays alive while its body runs. Owned by a std::shared_ptr, the running
//   body holds a reference, so dropping the owner's reference never waits; the object goes
//   away on its own thread when the body ends. Owned otherwise, the destructor sets the
//   stop event and waits for the body to end (waitForBodyEnd).
// - The destructor of this base runs after the subclass part is gone, when the body can no
//   longer use it (not even call run), so every subclass calls waitForBodyEnd() first in
//   its destructor. A body that may be given up on keeps what it shares with other
//   threads in shared state.

#include "messages/ztErrorMessage.h"
#include "platform/ztNativeCondition.h"
#include "platform/ztNativeMutex.h"
#include "platform/ztNativeThread.h"
#include "platform/ztThreadId.h"
#include "threads/ztSingleEvent.h"

#include <atomic>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>

class ztMainThread;

class ztThread : public std::enable_shared_from_this<ztThread> {
public:
    enum class State : int32_t {
        starting = 0,  // constructed, thread not (yet) running
        running = 1,   // the thread procedure has begun
        suspended = 2, // never entered by this library; a stop request resumes it
        stopped = 3,   // the body has finished, or the thread was given up on
    };

    // A thread whose parent is inParent (null: the calling thread's object). Registers the
    // main thread object for the calling thread when no thread has registered it yet.
    explicit ztThread(ztThread* inParent);
    ztThread();
    ztThread(const ztThread&) = delete;
    ztThread& operator=(const ztThread&) = delete;
    // Waits for a body that still runs (see the lifetime rules above) and leaves the
    // parent's child list. By then the thread should be starting or stopped (ztAssert).
    virtual ~ztThread();

    // Asks a running body to finish (sets the stop event, remembers inReason) and returns
    // at once. Does nothing unless the thread is running or suspended. Any thread.
    virtual void stop(int32_t inReason);
    // stop(inReason), then wait(false); does nothing unless running or suspended.
    virtual void stopAndWait(int32_t inReason);
    // Waits until the body has ended. With inCancelIfNeeded it waits at most 250 ms and
    // then gives up on the body (see above). Returns at once when the thread was never
    // started, is stopped, or the caller is the thread itself. Any thread may call it.
    virtual void wait(bool inCancelIfNeeded);
    // The manual-reset event that stop() sets; bodies wait on it.
    virtual ztSingleEvent& getStopEvent();
    virtual const ztSingleEvent& getStopEvent() const;
    // The manual-reset event set when the thread enters stopped.
    virtual ztSingleEvent& getStoppedEvent();
    virtual const ztSingleEvent& getStoppedEvent() const;
    // Whether the stop event is set.
    virtual bool stopRequested() const;

protected:
    // Returning false makes start() return without starting. The base returns true.
    virtual bool canStart();
    // Called on the new thread before run(); the base does nothing.
    virtual void preRun();
    // The body. It returns when its work is done or the stop event is set.
    virtual void run() = 0;
    // Called on the thread after run(), also after an exception; the base does nothing.
    virtual void postRun();
    // Receives an exception that escaped preRun or run (on the thread). The base keeps its
    // error message in itsErrorMessage.
    virtual void handleException(const std::exception& inException);

public:
    // Starts the operating-system thread and returns once it runs (or has already ended).
    // Resets both events, asks canStart (false: returns without starting), and clears the
    // error message of an earlier run. Starting a running thread is a caller error
    // (ztAssert) and does nothing. Before a restart, waits for the end of a body that was
    // given up on. Throws std::bad_alloc (after logging "throwing bad_alloc" at level 6)
    // when the system cannot create a thread. Called by the owner.
    void start();
    // stop(0), then wait(true), then the state is stopped: returns within about 250 ms.
    void terminate();

    State getThreadState() const { return static_cast<State>(itsState.load()); }
    const std::string& getName() const { return itsName; }
    // The kernel id of the running thread; 0 before the first start.
    zt::platform::ThreadId getThreadID() const { return itsThreadID.load(); }
    int32_t getStopReason() const { return itsStopReason.load(); }
    // Tick count (zt::platform::tickCount) taken when the body started.
    uint32_t getStartTick() const { return itsStartTick.load(); }
    // Why the body ended: empty unless an exception escaped it. Read it after the thread
    // has stopped (wait, or the stopped event).
    const ztErrorMessage& getErrorMessage() const { return itsErrorMessage; }
    // The number of thread objects created with this one as parent and not yet destroyed.
    size_t getChildCount() const;

    // The calling thread's object: the thread object whose body runs on it, else the main
    // thread object.
    static ztThread& currentThread();
    // The one object that stands for every thread no ztThread started.
    static ztMainThread& mainThread();
    // Called at the start of every exported function so that the calling thread is known
    // as the main thread.
    static void enterFromOutside();
    // The thread object registered under a kernel thread id, or null. The object may be
    // destroyed as soon as its thread stops; use it only while that cannot happen.
    static ztThread* threadById(zt::platform::ThreadId inThread);
    // The name of the thread object registered under inThread, or an empty text.
    static std::string threadNameById(zt::platform::ThreadId inThread);

    // Process-wide counters: bodies started, thread handles closed, registry changes.
    static uint32_t bodiesStarted();
    static uint32_t handlesClosed();
    static uint32_t registryChanges();

protected:
    struct MainTag {};
    // The main thread object: no parent, no registration.
    explicit ztThread(MainTag);

    // Changes the state under the registry mutex; entering stopped sets the stopped event
    // and removes the registry entry for this thread.
    void setThreadState(State inState);
    // Sets the stop event and blocks until the operating-system thread has ended, even
    // one that wait(true) gave up on; returns at once when called on that thread itself
    // or when there is none. For destructors (see the lifetime rules above).
    void waitForBodyEnd();

    std::string itsName; // set by the subclass constructor; used in log lines and reports
    ztErrorMessage itsErrorMessage;
    bool itsCoInitialized = false; // set by a subclass that initialised COM on its thread

private:
    friend class ztMainThread;
    struct Family;
    struct Run;

    static void threadProcedure(void* ioRun);
    static void ensureMainRegistered();
    static void seedRandom(const void* inObject);
    void announce();
    void executeRunMethod(Run& ioRun);
    void passException(Run& ioRun, const std::exception& inException);
    void giveUp(Run& ioRun);
    std::shared_ptr<Run> currentRun();
    void linkToParent(ztThread* inParent);

    std::shared_ptr<Family> itsParentFamily; // the parent's child list; null for the main thread
    std::atomic<zt::platform::ThreadId> itsThreadID{0};
    std::atomic<zt::platform::ThreadId> itsWaitingThreadID{0}; // the last caller of wait
    std::atomic<int32_t> itsState{static_cast<int32_t>(State::starting)};
    std::atomic<int32_t> itsStopReason{0};
    std::atomic<uint32_t> itsStartTick{0};
    // itsHandle and itsRun change only in start and the destructor (the owner); other
    // threads read itsRun under itsStartMutex.
    zt::platform::NativeThread itsHandle;
    std::shared_ptr<Run> itsRun;
    std::shared_ptr<Family> itsFamily; // own child list, shared with the children
    // start() waits here until the new thread has set its state.
    zt::platform::NativeMutex itsStartMutex;
    zt::platform::NativeCondition itsStartCondition;
    ztSingleEvent itsStopEvent;
    ztSingleEvent itsStoppedEvent;
};
