// Thread objects, the thread procedure and the process-wide registry of running threads.
#include "threads/ztThread.h"

#include "messages/ztAssert.h"
#include "messages/ztException.h"
#include "messages/ztInfoLog.h"
#include "messages/ztLogFmt.h"
#include "messages/ztMessageTexts.h"
#include "platform/ztCom.h"
#include "platform/ztTickCount.h"
#include "threads/ztMainThread.h"
#include "threads/ztMemMutex.h"
#include "threads/ztStMutex.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <map>
#include <mutex>
#include <new>
#include <typeinfo>
#include <vector>

using zt::platform::ThreadId;

// A thread's child list. Children keep their parent's list alive, so a child may outlive
// its parent (a look-up thread given up on by a connector that has gone).
struct ztThread::Family {
    ztMemMutex mutex{ztMutexNameAt(__FILE__, __LINE__)};
    std::vector<ztThread*> children;
};

// One run of the body, shared by the object and the thread procedure.
struct ztThread::Run {
    ztThread* object = nullptr;
    // The body's reference to an object owned by std::shared_ptr; dropped at the end.
    std::shared_ptr<ztThread> keepAlive;
    zt::platform::NativeMutex mutex; // guards the two flags below
    zt::platform::NativeCondition ended;
    bool finished = false;  // the procedure is done with the object
    bool abandoned = false; // a wait gave up on the body: it must not touch the object's state

    bool isAbandoned() {
        std::lock_guard lock(mutex);
        return abandoned;
    }

    // Waits until the procedure is done, at most inMillis ms (negative: no limit).
    bool waitFinished(int64_t inMillis) {
        const uint64_t deadline = zt::platform::monotonicMillis() + static_cast<uint64_t>(inMillis);
        std::lock_guard lock(mutex);
        while (!finished) {
            if (inMillis < 0)
                ended.wait(mutex);
            else if (ended.waitUntil(mutex, deadline) == ETIMEDOUT)
                break;
        }
        return finished;
    }
};

namespace {

// The longest wait(true) holds its caller before giving up on the body.
constexpr int64_t kCancelWaitMillis = 250;

struct Registry {
    ztMemMutex mutex{ztMutexNameAt(__FILE__, __LINE__)};
    std::map<ThreadId, ztThread*> threads;
};

Registry& registry() {
    // Never destroyed: threads may still stop while static objects are torn down at exit.
    static Registry* theRegistry = new Registry;
    return *theRegistry;
}

std::atomic<uint32_t> gBodiesStarted{0};
std::atomic<uint32_t> gHandlesClosed{0};
std::atomic<uint32_t> gRegistryChanges{0};
// The thread that last entered through an exported function.
std::atomic<ThreadId> gLastEntered{0};
// Set once the main thread object is complete; the log's label reads it without locking.
std::atomic<ztThread*> gMainThread{nullptr};

thread_local ztThread* tCurrent = nullptr;

bool isActive(ztThread::State inState) {
    return inState == ztThread::State::running || inState == ztThread::State::suspended;
}

// "<kernel id> <thread name>" for log lines. It must not lock anything: it runs inside
// the log, which any code may call while holding any mutex.
std::string threadLabel() {
    std::string label = std::to_string(zt::platform::currentThreadId());
    const ztThread* current = tCurrent != nullptr ? tCurrent : gMainThread.load();
    if (current != nullptr) {
        label += ' ';
        label += current->getName();
    }
    return label;
}

[[maybe_unused]] const bool gLabelInstalled = (ztLogSetThreadLabelProvider(&threadLabel), true);

void logUnhandled(ThreadId inThread, const std::string& inName) {
    ztLogFmt(6,
             "ztThread::executeRunMethod - unhandled exception threadId = {} threadName = \"{}\"",
             inThread, inName);
}

} // namespace

ztThread::ztThread(ztThread* inParent) : itsFamily(std::make_shared<Family>()) {
    ensureMainRegistered();
    linkToParent(inParent != nullptr ? inParent : &currentThread());
}

ztThread::ztThread() : ztThread(nullptr) {}

ztThread::ztThread(MainTag) : itsFamily(std::make_shared<Family>()) {}

ztThread::~ztThread() {
    ztAssert(getThreadState() == State::starting || getThreadState() == State::stopped);
    ztAssert(!itsCoInitialized);
    waitForBodyEnd();
    if (!itsParentFamily)
        return;
    ztStMutex lock(&itsParentFamily->mutex);
    auto& siblings = itsParentFamily->children;
    const auto found = std::find(siblings.begin(), siblings.end(), this);
    if (found != siblings.end())
        siblings.erase(found);
}

void ztThread::linkToParent(ztThread* inParent) {
    itsParentFamily = inParent->itsFamily;
    ztStMutex lock(&itsParentFamily->mutex);
    itsParentFamily->children.push_back(this);
}

// The body may still run: after a give-up, or when the owner did not stop the thread.
// Its object must outlive it, so wait; on the body's own thread (it dropped the last
// reference, or destroys its object itself) there is nothing left to wait for.
void ztThread::waitForBodyEnd() {
    zt::platform::NativeThread handle;
    {
        std::lock_guard lock(itsStartMutex);
        handle = std::move(itsHandle);
    }
    if (!handle.joinable())
        return;
    ++gHandlesClosed;
    if (handle.isCurrent()) {
        handle.detach();
        return;
    }
    try {
        itsStopEvent.set();
    } catch (...) {
        // A body that does not watch its stop event ends by itself or never; we wait anyway.
    }
    handle.join();
}

void ztThread::stop(int32_t inReason) {
    const State state = getThreadState();
    if (!isActive(state))
        return;
    // Nothing suspends threads on this system; resuming is only the state change.
    if (state == State::suspended && currentRun())
        setThreadState(State::running);
    itsStopReason.store(inReason);
    itsStopEvent.set();
}

void ztThread::stopAndWait(int32_t inReason) {
    if (!isActive(getThreadState()))
        return;
    stop(inReason);
    wait(false);
}

void ztThread::wait(bool inCancelIfNeeded) {
    const std::shared_ptr<Run> run = currentRun();
    const ThreadId self = zt::platform::currentThreadId();
    if (!run || getThreadID() == self || getThreadState() == State::stopped)
        return;
    itsWaitingThreadID.store(self);
    if (inCancelIfNeeded) {
        if (!run->waitFinished(kCancelWaitMillis))
            giveUp(*run);
        return;
    }
    run->waitFinished(-1);
    ztAssert(inCancelIfNeeded || (getThreadState() == State::stopped));
}

ztSingleEvent& ztThread::getStopEvent() {
    return itsStopEvent;
}

const ztSingleEvent& ztThread::getStopEvent() const {
    return itsStopEvent;
}

ztSingleEvent& ztThread::getStoppedEvent() {
    return itsStoppedEvent;
}

const ztSingleEvent& ztThread::getStoppedEvent() const {
    return itsStoppedEvent;
}

bool ztThread::stopRequested() const {
    return getStopEvent().isSet();
}

bool ztThread::canStart() {
    return true;
}

void ztThread::preRun() {}

void ztThread::postRun() {}

void ztThread::handleException(const std::exception& inException) {
    ztAssert((itsErrorMessage.getErrorValue() == ztErr_noError) ||
             ((typeid(inException) == typeid(ztException)) &&
              (static_cast<const ztException&>(inException)).errorMessage.getErrorValue() ==
                  itsErrorMessage.getErrorValue()));
    itsErrorMessage = errorMessageFromException(inException);
}

void ztThread::start() {
    const State state = getThreadState();
    ztAssert(!isActive(state));
    // A second body on the same object would share every field with the first.
    if (isActive(state))
        return;

    zt::platform::NativeThread earlier;
    {
        std::lock_guard lock(itsStartMutex);
        earlier = std::move(itsHandle);
        itsRun.reset();
    }
    if (earlier.joinable()) {
        ++gHandlesClosed;
        if (!earlier.isCurrent())
            earlier.join(); // returns at once unless a given-up body still runs
    }
    itsThreadID.store(0);
    itsStopEvent.reset();
    itsStoppedEvent.reset();
    if (!canStart())
        return;

    itsErrorMessage.clear(); // it tells why the latest run ended
    setThreadState(State::starting);
    auto run = std::make_shared<Run>();
    run->object = this;
    run->keepAlive = weak_from_this().lock();
    auto* argument = new std::shared_ptr<Run>(run);
    zt::platform::NativeThread handle;
    if (zt::platform::NativeThread::start(&threadProcedure, argument, handle) != 0) {
        delete argument;
        run->keepAlive.reset();
        ztLog(6, "throwing bad_alloc");
        throw std::bad_alloc();
    }
    std::lock_guard lock(itsStartMutex);
    itsHandle = std::move(handle);
    itsRun = std::move(run);
    while (getThreadState() == State::starting)
        itsStartCondition.wait(itsStartMutex);
}

void ztThread::terminate() {
    stop(0);
    if (!currentRun() || !isActive(getThreadState()))
        return;
    ztLogFmt(6, "ztThread::terminate warning calling terminate for thread {}", getThreadID());
    wait(true);
    setThreadState(State::stopped);
}

void ztThread::setThreadState(State inState) {
    Registry& r = registry();
    ztStMutex lock(&r.mutex);
    if (getThreadState() == inState)
        return;
    itsState.store(static_cast<int32_t>(inState));
    if (inState != State::stopped)
        return;
    const auto found = r.threads.find(getThreadID());
    if (found != r.threads.end() && found->second == this)
        r.threads.erase(found);
    itsStoppedEvent.set();
}

size_t ztThread::getChildCount() const {
    ztStMutex lock(&itsFamily->mutex);
    return itsFamily->children.size();
}

ztThread& ztThread::currentThread() {
    if (tCurrent != nullptr)
        return *tCurrent;
    return mainThread();
}

ztMainThread& ztThread::mainThread() {
    // Never destroyed: worker threads and static destructors may still ask for the current
    // thread while the process exits.
    static ztMainThread* theMainThread = [] {
        auto* mainThread = new ztMainThread;
        gMainThread.store(mainThread);
        return mainThread;
    }();
    return *theMainThread;
}

void ztThread::ensureMainRegistered() {
    ztMainThread& main = mainThread();
    if (main.isRegistered())
        return;
    const ThreadId self = zt::platform::currentThreadId();
    Registry& r = registry();
    ztStMutex lock(&r.mutex);
    if (main.isRegistered())
        return;
    main.itsThreadID.store(self);
    r.threads[self] = &main;
    ++gRegistryChanges;
    main.itsRegistered.store(true);
}

void ztThread::enterFromOutside() {
    ztMainThread& main = mainThread();
    if (!main.isRegistered()) {
        ensureMainRegistered();
        return;
    }
    const ThreadId self = zt::platform::currentThreadId();
    if (gLastEntered.exchange(self) == self)
        return;
    tCurrent = &main;
    if (main.getThreadState() == State::stopped)
        return;
    Registry& r = registry();
    ztStMutex lock(&r.mutex);
    r.threads[self] = &main;
    ++gRegistryChanges;
}

ztThread* ztThread::threadById(ThreadId inThread) {
    Registry& r = registry();
    ztStMutex lock(&r.mutex);
    const auto found = r.threads.find(inThread);
    return found == r.threads.end() ? nullptr : found->second;
}

std::string ztThread::threadNameById(ThreadId inThread) {
    Registry& r = registry();
    ztStMutex lock(&r.mutex);
    const auto found = r.threads.find(inThread);
    return found == r.threads.end() ? std::string() : found->second->getName();
}

uint32_t ztThread::bodiesStarted() {
    return gBodiesStarted.load();
}

uint32_t ztThread::handlesClosed() {
    return gHandlesClosed.load();
}

uint32_t ztThread::registryChanges() {
    return gRegistryChanges.load();
}

void ztThread::seedRandom(const void* inObject) {
    std::srand(static_cast<unsigned>(reinterpret_cast<uintptr_t>(inObject)));
    std::srand(static_cast<unsigned>(
        (static_cast<uint32_t>(std::rand()) ^ zt::platform::tickCount()) % 0xFFFFFFFFu));
}

std::shared_ptr<ztThread::Run> ztThread::currentRun() {
    std::lock_guard lock(itsStartMutex);
    return itsRun;
}

void ztThread::threadProcedure(void* ioRun) {
    const std::unique_ptr<std::shared_ptr<Run>> argument(static_cast<std::shared_ptr<Run>*>(ioRun));
    const std::shared_ptr<Run> run = *argument;
    ztThread* const theThreadObj = run->object;
    ztAssert(theThreadObj);
    seedRandom(theThreadObj);
    tCurrent = theThreadObj;
    try {
        theThreadObj->announce();
        theThreadObj->executeRunMethod(*run);
    } catch (...) {
        // Only the bookkeeping around the body can get here (no memory for the registry);
        // the thread still has to end as stopped so that start() and waiters return.
        logUnhandled(theThreadObj->getThreadID(), theThreadObj->itsName);
        theThreadObj->itsState.store(static_cast<int32_t>(State::stopped));
        std::lock_guard lock(theThreadObj->itsStartMutex);
        theThreadObj->itsStartCondition.broadcast();
    }
    tCurrent = nullptr;
    std::shared_ptr<ztThread> keepAlive;
    {
        std::lock_guard lock(run->mutex);
        run->finished = true;
        keepAlive = std::move(run->keepAlive);
        run->ended.broadcast();
    }
    // Dropping the body's reference may destroy the object, here on its own thread.
}

void ztThread::announce() {
    const ThreadId self = zt::platform::currentThreadId();
    {
        Registry& r = registry();
        ztStMutex lock(&r.mutex);
        itsThreadID.store(self);
        itsState.store(static_cast<int32_t>(State::running));
        r.threads[self] = this;
        ++gRegistryChanges;
    }
    std::lock_guard lock(itsStartMutex);
    itsStartCondition.broadcast();
}

void ztThread::executeRunMethod(Run& ioRun) {
    itsStartTick.store(zt::platform::tickCount());
    ++gBodiesStarted;
    try {
        preRun();
        run();
    } catch (const std::exception& inException) {
        passException(ioRun, inException);
    } catch (...) {
        logUnhandled(getThreadID(), itsName);
        ztAssert(false);
        const ztException internal(ztErr_internal, ztText::internalErrorAt, 'f', __FILE__, 'l',
                                   std::to_string(__LINE__));
        passException(ioRun, internal);
    }
    if (ioRun.isAbandoned())
        return;
    try {
        postRun();
        if (itsCoInitialized) {
            zt::platform::uninitializeCom();
            itsCoInitialized = false;
        }
    } catch (...) {
        // The thread still enters stopped: waiters on the stopped event would otherwise
        // wait for ever.
        logUnhandled(getThreadID(), itsName);
        ztAssert(false);
    }
    if (!ioRun.isAbandoned())
        setThreadState(State::stopped);
}

// The run's lock keeps a give-up from passing while the error message is written: once
// giveUp() has returned, the abandoned body no longer writes it.
void ztThread::passException(Run& ioRun, const std::exception& inException) {
    std::lock_guard lock(ioRun.mutex);
    if (ioRun.abandoned)
        return;
    try {
        handleException(inException);
    } catch (...) {
        logUnhandled(getThreadID(), itsName);
        ztAssert(false);
    }
}

void ztThread::giveUp(Run& ioRun) {
    {
        std::lock_guard lock(ioRun.mutex);
        if (ioRun.finished)
            return;
        ioRun.abandoned = true;
    }
    ztLogFmt(6, "ztThread::wait thread {} did not end within {} ms; it runs on to its end alone",
             getThreadID(), kCancelWaitMillis);
    setThreadState(State::stopped);
}
