#pragma once
// The mutex that guards the library's shared state. Before it blocks it checks whether the
// wait would close a cycle of threads each waiting for a mutex the next one holds; such a
// deadlock is refused with an exception that names the whole chain, and logged.

#include "threads/ztSimpleMemMutex.h"

class ztMemMutex : public ztSimpleMemMutex {
public:
    explicit ztMemMutex(std::string inName = {});
    ~ztMemMutex() override;

    // The ztMemMutex that thread inThread is blocked on, or null. For diagnostics and
    // tests; the answer may be stale at once.
    static const ztMemMutex* waitedOnBy(zt::platform::ThreadId inThread);

protected:
    // Records that inThread waits for this mutex, refuses a wait that would deadlock by
    // throwing ztException ztErr_internal whose text begins "Detected deadlock. ", and
    // otherwise blocks until inThread holds the mutex.
    bool acquire(zt::platform::ThreadId inThread) override;
};
