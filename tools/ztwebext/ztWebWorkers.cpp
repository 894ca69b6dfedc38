// The worker threads.
#include "ztwebext/ztWebWorkers.h"

#include <algorithm>

uint32_t ztWebWorkers::flowingFor(uint32_t inCores) {
    return std::max<uint32_t>(4, 4 * inCores);
}

ztWebWorkers::ztWebWorkers(Settings inSettings) : itsSettings(inSettings) {
    // Built once: the threads keep pointers to their slots.
    itsSlots.resize(itsSettings.itsThreads);
    for (Slot& slot : itsSlots)
        slot.itsPool = this;
}

ztWebWorkers::~ztWebWorkers() {
    stop();
}

int ztWebWorkers::start() {
    for (Slot& slot : itsSlots) {
        zt::platform::NativeThread thread;
        if (const int error = zt::platform::NativeThread::start(&ztWebWorkers::body, &slot, thread))
            return error;
        itsThreads.push_back(std::move(thread));
    }
    return 0;
}

bool ztWebWorkers::post(std::function<void()> inJob) {
    bool wake = false;
    {
        std::lock_guard lock(itsMutex);
        if (itsStopping || itsJobs.size() >= itsSettings.itsMaxQueued)
            return false;
        itsJobs.push_back(std::move(inJob));
        // A thread is woken to run the job, or to watch the running ones when none may
        // start now; otherwise a thread that finishes takes it.
        wake = itsIdle > 0 && (!itsWatching || flowing(Clock::now()) < itsSettings.itsFlowing);
    }
    if (wake)
        itsWake.notify_one();
    return true;
}

void ztWebWorkers::stop() {
    {
        std::lock_guard lock(itsMutex);
        itsStopping = true;
    }
    itsWake.notify_all();
    for (zt::platform::NativeThread& thread : itsThreads)
        if (thread.joinable())
            thread.join();
    itsThreads.clear();
}

size_t ztWebWorkers::busy() const {
    std::lock_guard lock(itsMutex);
    return itsBusy + itsJobs.size();
}

uint32_t ztWebWorkers::flowing(Clock::time_point inNow) const {
    uint32_t count = 0;
    for (const Slot& slot : itsSlots)
        if (slot.itsRunning && inNow - slot.itsStarted < itsSettings.itsStuckAfter)
            ++count;
    return count;
}

ztWebWorkers::Clock::time_point ztWebWorkers::nextStuck(Clock::time_point inNow) const {
    Clock::time_point first = Clock::time_point::max();
    for (const Slot& slot : itsSlots) {
        const Clock::time_point stuck = slot.itsStarted + itsSettings.itsStuckAfter;
        if (slot.itsRunning && stuck > inNow)
            first = std::min(first, stuck);
    }
    return first;
}

void ztWebWorkers::body(void* ioSlot) {
    Slot& slot = *static_cast<Slot*>(ioSlot);
    slot.itsPool->runJobs(slot);
}

void ztWebWorkers::runJobs(Slot& ioSlot) {
    std::unique_lock lock(itsMutex);
    // Waits as an idle thread, until woken or inUntil.
    const auto idle = [&](Clock::time_point inUntil) {
        ++itsIdle;
        if (inUntil == Clock::time_point::max())
            itsWake.wait(lock);
        else
            itsWake.wait_until(lock, inUntil);
        --itsIdle;
    };
    while (true) {
        if (itsJobs.empty()) {
            if (itsStopping)
                return;
            idle(Clock::time_point::max());
            continue;
        }
        const Clock::time_point now = Clock::now();
        // At a stop the queue drains at full width.
        if (!itsStopping && flowing(now) >= itsSettings.itsFlowing) {
            if (itsWatching) {
                idle(Clock::time_point::max());
                continue;
            }
            itsWatching = true;
            idle(nextStuck(now));
            itsWatching = false;
            continue;
        }
        std::function<void()> job = std::move(itsJobs.front());
        itsJobs.pop_front();
        ++itsBusy;
        ioSlot.itsRunning = true;
        ioSlot.itsStarted = now;
        // Jobs still wait and nobody watches for stuck ones: an idle thread takes that on.
        const bool watcherWanted = !itsJobs.empty() && !itsWatching && itsIdle > 0;
        lock.unlock();
        if (watcherWanted)
            itsWake.notify_one();
        job();
        lock.lock();
        ioSlot.itsRunning = false;
        --itsBusy;
    }
}
