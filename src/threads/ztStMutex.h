#pragma once
// Scoped lock of a ztMutex: locked from construction until unlock() or the end of the scope.

class ztMutex;

class ztStMutex {
public:
    // Locks inMutex (a null mutex is reported by ztAssert and left alone). A lock that
    // throws (a refused deadlock) leaves no guard behind.
    explicit ztStMutex(ztMutex* inMutex);
    ztStMutex(const ztStMutex&) = delete;
    ztStMutex& operator=(const ztStMutex&) = delete;
    // Unlocks when still locked.
    ~ztStMutex();

    // Unlocks early; does nothing when not locked.
    void unlock();
    // Locks again when not locked.
    void relock();
    bool isLocked() const { return itsLocked; }

private:
    ztMutex* itsMutex;
    bool itsLocked = false;
};
