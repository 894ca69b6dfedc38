// The state of a series of resource shortages and the connections that may end it.
#include "netobjects/ztResourceShortage.h"

#include "threads/ztStMutex.h"

uint64_t ztResourceShortage::accepted() {
    ztStMutex lock(&itsMutex);
    return ++itsAccepted;
}

bool ztResourceShortage::failed(uint64_t inAccepted) {
    ztStMutex lock(&itsMutex);
    if (itsShort)
        return false;
    itsShort = true;
    itsShortSince = inAccepted;
    return true;
}

bool ztResourceShortage::recovered(uint64_t inAccepted) {
    ztStMutex lock(&itsMutex);
    if (!itsShort || inAccepted <= itsShortSince)
        return false;
    itsShort = false;
    return true;
}
