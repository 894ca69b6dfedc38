#pragma once
// Owner of one operating-system thread. The thread's kernel id is known only inside the
// thread (currentThreadId()); this object knows the thread by its pthread handle.

#include <cstddef>
#include <cstdint>
#include <utility>

namespace zt::platform {

class NativeThread {
public:
    using Procedure = void (*)(void* ioArgument);

    // An object without a thread; joinable() is false.
    NativeThread() = default;
    NativeThread(NativeThread&& ioOther) noexcept
        : itsHandle(std::exchange(ioOther.itsHandle, 0)),
          itsJoinable(std::exchange(ioOther.itsJoinable, false)) {}
    NativeThread& operator=(NativeThread&& ioOther) noexcept {
        if (this != &ioOther) {
            if (itsJoinable)
                detach();
            itsHandle = std::exchange(ioOther.itsHandle, 0);
            itsJoinable = std::exchange(ioOther.itsJoinable, false);
        }
        return *this;
    }
    NativeThread(const NativeThread&) = delete;
    NativeThread& operator=(const NativeThread&) = delete;
    // A thread still joinable is detached: it runs on, and the system frees it at its end.
    ~NativeThread() {
        if (itsJoinable)
            detach();
    }

    // The stack size of the threads start() creates from now on; 0 (the initial value)
    // keeps the system's default. A server with thousands of connection threads sets a
    // small one, since the default reserves 8 MiB of address space per thread. Values
    // below the system minimum make start() fail with EINVAL. Any thread.
    static void setStackSize(size_t inBytes);
    static size_t getStackSize();

    // Starts a thread with the stack size set above that calls inProcedure(ioArgument) and
    // ends when it returns. On success outThread owns the new thread (outThread must not
    // own one already). Returns 0 or the pthread error (EAGAIN when the system is out of
    // threads or memory); on failure inProcedure is never called.
    static int start(Procedure inProcedure, void* ioArgument, NativeThread& outThread);

    bool joinable() const { return itsJoinable; }
    // True when the calling thread is the thread this object owns.
    bool isCurrent() const;
    // Blocks until the thread has ended and releases it. Returns 0 or the pthread error
    // (EDEADLK when the thread would join itself). Only the owner calls it, never twice.
    int join();
    // Lets the thread run on without an owner. Returns 0 or the pthread error.
    int detach();

private:
    uint64_t itsHandle = 0; // the pthread_t, or the HANDLE on Windows
    bool itsJoinable = false;
};

} // namespace zt::platform
