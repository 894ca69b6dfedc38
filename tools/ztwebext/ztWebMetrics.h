#pragma once
// What /metrics shows about ztwebext: requests by route, dialect and status, their latency,
// bytes in and out, open HTTP connections and refused ones, and from the library the live
// sessions and the central-server connections they hold.

#include "ztwebext/ztWebMessage.h"
#include "ztwebext/ztPrometheus.h"

#include <string>

class ztWebMetrics {
public:
    ztWebMetrics();
    ztWebMetrics(const ztWebMetrics&) = delete;
    ztWebMetrics& operator=(const ztWebMetrics&) = delete;

    // One answered request. Any thread.
    void countRequest(const ztWebLabels& inLabels, int inStatus, double inSeconds);
    void countBytes(uint64_t inReceived, uint64_t inSent);
    // A request handed to a worker, and its answer made.
    void requestStarted();
    void requestFinished();
    void connectionOpened();
    void connectionClosed();
    // A connection or a request turned away by a limit (inReason: "connections", "queue").
    void countRefused(const std::string& inReason);
    std::string render() const;

private:
    zt::prometheus::Registry itsRegistry;
    zt::prometheus::Counter& itsRequests;
    zt::prometheus::Histogram& itsLatency;
    zt::prometheus::Counter& itsReceived;
    zt::prometheus::Counter& itsSent;
    zt::prometheus::Gauge& itsConnections;
    zt::prometheus::Gauge& itsInFlight;
    zt::prometheus::Counter& itsRefused;
    zt::prometheus::Gauge& itsSessions;
    zt::prometheus::Gauge& itsCentralConnections;
};
