// ztMainThread: running from construction, with no operating-system thread of its own.
#include "threads/ztMainThread.h"

#include "messages/ztAssert.h"

ztMainThread::ztMainThread() : ztThread(MainTag{}) {
    itsName = "main thread";
    itsState.store(static_cast<int32_t>(State::running));
    seedRandom(this);
}

// The process-wide object is never destroyed (threads may still ask for it while the
// process exits); this destructor only keeps the registry consistent for completeness.
ztMainThread::~ztMainThread() {
    // COM belongs to the thread that initialised it, which is the process's main thread
    // here only by chance; undoing it from the exit path could end another thread's COM.
    itsCoInitialized = false;
    if (itsRegistered.load())
        setThreadState(State::stopped);
    else
        itsState.store(static_cast<int32_t>(State::stopped));
}

void ztMainThread::run() {
    ztAssert(false);
}
