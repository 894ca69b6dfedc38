#pragma once
// Whether a server is short of descriptors, memory or threads: from the first failure of a
// series until a connection accepted after it runs. Failures and connections are ordered by
// accept numbers, not by when their threads get to report. A connection accepted before the
// series began may complete during it, its handshake having been under way; that it runs
// says nothing about the resources now (else the next failure would log a series of its
// own). A failure may be reported only after its client saw the connection close and
// connected anew; that new connection still ends the series.

#include "threads/ztMemMutex.h"

#include <cstdint>

class ztResourceShortage {
public:
    // A connection was accepted. Returns its number in the order of accepts (from 1), which
    // the connection carries to failed() and recovered(). Any thread.
    uint64_t accepted();
    // A connection could not be had or served for lack of resources. inAccepted: the number
    // of the connection that could not be served; for an accept that failed, that of the
    // last connection accepted (0 for none). Returns whether this begins a series (the
    // caller logs it then); only connections accepted after inAccepted end it. Any thread.
    bool failed(uint64_t inAccepted);
    // The connection numbered inAccepted runs. Returns whether this ends a series (the
    // caller logs it then). Any thread.
    bool recovered(uint64_t inAccepted);

private:
    ztMemMutex itsMutex{"ztResourceShortage"};
    uint64_t itsAccepted = 0; // connections accepted so far
    bool itsShort = false;
    uint64_t itsShortSince = 0; // the failure's inAccepted that began the series
};
