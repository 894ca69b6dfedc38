#pragma once
// The bounded pool of threads that run requests through the library. The library blocks a
// thread while the central server answers, so requests run here and never on the threads
// that read and write connections. Each thread has the stack size the process sets for its
// threads (main sets at least 1 MiB: the XML nesting bound was measured for that).

#include "platform/ztNativeThread.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

class ztWebWorkers {
public:
    // inThreads threads; at most inMaxQueued jobs wait for one.
    ztWebWorkers(uint32_t inThreads, uint32_t inMaxQueued);
    ztWebWorkers(const ztWebWorkers&) = delete;
    ztWebWorkers& operator=(const ztWebWorkers&) = delete;
    // stop().
    ~ztWebWorkers();

    // Starts the threads. Returns 0 or the error of the thread that could not be made.
    int start();
    // Queues inJob; false (the job is dropped) when the queue is full or the pool stops.
    bool post(std::function<void()> inJob);
    // Lets the threads finish the queued jobs and joins them.
    void stop();
    size_t busy() const;

private:
    static void body(void* ioSelf);
    void runJobs();

    const uint32_t itsThreadCount;
    const uint32_t itsMaxQueued;
    mutable std::mutex itsMutex;
    std::condition_variable itsWake;
    std::deque<std::function<void()>> itsJobs;
    bool itsStopping = false;
    size_t itsBusy = 0;
    std::vector<zt::platform::NativeThread> itsThreads;
};
