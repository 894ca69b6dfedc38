#pragma once
// The one thread object that stands for every thread no ztThread started: in practice the
// web server's threads that call the exported functions. It is never started.

#include "threads/ztThread.h"

#include <atomic>

class ztMainThread : public ztThread {
public:
    ~ztMainThread() override;

    // Whether the object is registered for a thread (the first one that constructed a
    // thread object or entered from outside).
    bool isRegistered() const { return itsRegistered.load(); }

protected:
    // Must never be called: the main thread has no body of its own.
    void run() override;

private:
    friend class ztThread;
    // Only ztThread::mainThread() creates the object.
    ztMainThread();

    std::atomic<bool> itsRegistered{false};
};
