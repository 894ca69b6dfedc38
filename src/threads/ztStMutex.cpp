// ztStMutex: one lock per guard, given back at most once.
#include "threads/ztStMutex.h"

#include "messages/ztAssert.h"
#include "threads/ztMutex.h"

ztStMutex::ztStMutex(ztMutex* inMutex) : itsMutex(inMutex) {
    ztAssert(itsMutex);
    relock();
}

ztStMutex::~ztStMutex() {
    unlock();
}

void ztStMutex::unlock() {
    if (!itsLocked)
        return;
    itsLocked = false;
    itsMutex->unlock();
}

void ztStMutex::relock() {
    if (itsLocked || itsMutex == nullptr)
        return;
    itsLocked = itsMutex->lock();
}
