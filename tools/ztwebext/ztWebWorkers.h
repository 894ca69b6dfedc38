#pragma once
// The bounded pool of threads that run requests through the library. The library blocks a
// thread while the central server answers, so requests run here and never on the threads
// that read and write connections. Each thread has the stack size the process sets for its
// threads (main sets at least 1 MiB: the XML nesting bound was measured for that).
//
// Only a few requests run at once while they flow: more callers than the cores keep busy
// only contend inside the library and wake threads for nothing, while the requests waiting
// in the queue are taken by the threads that finish, without a wake-up. A request that
// runs longer than the stuck time no longer counts against that limit, so requests held
// up by a slow central server hand their turn to the next ones, up to the thread count.

#include "platform/ztNativeThread.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

class ztWebWorkers {
public:
    using Clock = std::chrono::steady_clock;

    struct Settings {
        uint32_t itsThreads = 16;
        uint32_t itsMaxQueued = 4096; // jobs waiting for a thread
        uint32_t itsFlowing = 8;      // jobs running at once that are not stuck
        Clock::duration itsStuckAfter = std::chrono::milliseconds(5);
    };

    // The flowing limit for inCores cores: a few callers per core keep the library busy.
    static uint32_t flowingFor(uint32_t inCores);

    explicit ztWebWorkers(Settings inSettings);
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
    struct Slot {
        ztWebWorkers* itsPool = nullptr;
        bool itsRunning = false;
        Clock::time_point itsStarted;
    };

    static void body(void* ioSlot);
    void runJobs(Slot& ioSlot);
    // Running jobs that started less than the stuck time before inNow; under itsMutex.
    uint32_t flowing(Clock::time_point inNow) const;
    // When the oldest of the jobs flowing at inNow becomes stuck; under itsMutex.
    Clock::time_point nextStuck(Clock::time_point inNow) const;

    const Settings itsSettings;
    mutable std::mutex itsMutex;
    std::condition_variable itsWake;
    std::deque<std::function<void()>> itsJobs;
    bool itsStopping = false;
    // An idle thread waits for a flowing job to become stuck while jobs wait.
    bool itsWatching = false;
    size_t itsBusy = 0;
    size_t itsIdle = 0;
    std::vector<Slot> itsSlots;
    std::vector<zt::platform::NativeThread> itsThreads;
};
