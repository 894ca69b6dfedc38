#pragma once
// The abstract mutex of the library: a name for reports and the lock operations that the
// scoped guard ztStMutex uses.

#include <string>

class ztMutex {
public:
    explicit ztMutex(std::string inName = {});
    ztMutex(const ztMutex&) = delete;
    ztMutex& operator=(const ztMutex&) = delete;
    virtual ~ztMutex();

    // Takes the mutex for the calling thread, waiting as long as needed. Returns true when
    // the caller holds it; see the subclasses for failures.
    virtual bool lock() = 0;
    // Gives back one lock taken by the calling thread.
    virtual void unlock() = 0;
    // Whether some thread holds the mutex now; may change at once.
    virtual bool isLocked() const = 0;

    // May be empty. Fixed at construction, so any thread may read it.
    const std::string& getName() const { return itsName; }

private:
    std::string itsName;
};

// A mutex name that points at its declaration: the base name of inFile, a colon and
// inLine ("ztThread.cpp:87"). Called with __FILE__ and __LINE__.
std::string ztMutexNameAt(const char* inFile, int inLine);
