// The worker threads.
#include "ztwebext/ztWebWorkers.h"

ztWebWorkers::ztWebWorkers(uint32_t inThreads, uint32_t inMaxQueued)
    : itsThreadCount(inThreads), itsMaxQueued(inMaxQueued) {}

ztWebWorkers::~ztWebWorkers() {
    stop();
}

int ztWebWorkers::start() {
    for (uint32_t i = 0; i < itsThreadCount; ++i) {
        zt::platform::NativeThread thread;
        if (const int error = zt::platform::NativeThread::start(&ztWebWorkers::body, this, thread))
            return error;
        itsThreads.push_back(std::move(thread));
    }
    return 0;
}

bool ztWebWorkers::post(std::function<void()> inJob) {
    {
        std::lock_guard lock(itsMutex);
        if (itsStopping || itsJobs.size() >= itsMaxQueued)
            return false;
        itsJobs.push_back(std::move(inJob));
    }
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

void ztWebWorkers::body(void* ioSelf) {
    static_cast<ztWebWorkers*>(ioSelf)->runJobs();
}

void ztWebWorkers::runJobs() {
    std::unique_lock lock(itsMutex);
    while (true) {
        itsWake.wait(lock, [this] { return itsStopping || !itsJobs.empty(); });
        if (itsJobs.empty())
            return;
        std::function<void()> job = std::move(itsJobs.front());
        itsJobs.pop_front();
        ++itsBusy;
        lock.unlock();
        job();
        lock.lock();
        --itsBusy;
    }
}
