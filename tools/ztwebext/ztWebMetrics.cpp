// The metrics of ztwebext.
#include "ztwebext/ztWebMetrics.h"

#include "ztxmlint/xmlSessionManager.h"

ztWebMetrics::ztWebMetrics()
    : itsRequests(itsRegistry.counter("ztwebext_requests_total",
                                      "HTTP requests answered, by route, dialect and status.",
                                      {"route", "dialect", "status"})),
      // From a pre-login answer in a millisecond to a slow central server's minute.
      itsLatency(itsRegistry.histogram(
          "ztwebext_request_duration_seconds",
          "Time from a request's arrival to its answer being queued, by route.", {"route"},
          {0.001, 0.0025, 0.005, 0.01, 0.025, 0.05, 0.1, 0.25, 0.5, 1, 2.5, 5, 10, 30, 60})),
      itsReceived(itsRegistry.counter("ztwebext_received_bytes_total",
                                      "Bytes of request bodies received.")),
      itsSent(itsRegistry.counter("ztwebext_sent_bytes_total", "Bytes of answer bodies sent.")),
      itsConnections(itsRegistry.gauge("ztwebext_http_connections", "Open HTTP connections.")),
      itsInFlight(itsRegistry.gauge("ztwebext_requests_in_flight",
                                    "Requests running in the library or waiting for a worker.")),
      itsRefused(itsRegistry.counter(
          "ztwebext_refused_total", "Connections or requests turned away by a limit.", {"reason"})),
      itsSessions(itsRegistry.gauge("ztwebext_sessions", "Live sessions of the library.")),
      itsCentralConnections(
          itsRegistry.gauge("ztwebext_central_connections",
                            "Connections to central servers that the library's sessions hold.")) {
    itsSessions.setCallback(
        {}, [] { return static_cast<double>(xmlSessionManager::getInstance().getSessionCount()); });
    itsCentralConnections.setCallback({}, [] {
        return static_cast<double>(xmlSessionManager::getInstance().getConnectedSessionCount());
    });
}

void ztWebMetrics::countRequest(const ztWebLabels& inLabels, int inStatus, double inSeconds) {
    itsRequests.increment({inLabels.itsRoute, inLabels.itsDialect, std::to_string(inStatus)});
    itsLatency.observe({inLabels.itsRoute}, inSeconds);
}

void ztWebMetrics::countBytes(uint64_t inReceived, uint64_t inSent) {
    itsReceived.increment({}, static_cast<double>(inReceived));
    itsSent.increment({}, static_cast<double>(inSent));
}

void ztWebMetrics::requestStarted() {
    itsInFlight.add({}, 1);
}

void ztWebMetrics::requestFinished() {
    itsInFlight.add({}, -1);
}

void ztWebMetrics::connectionOpened() {
    itsConnections.add({}, 1);
}

void ztWebMetrics::connectionClosed() {
    itsConnections.add({}, -1);
}

void ztWebMetrics::countRefused(const std::string& inReason) {
    itsRefused.increment({inReason});
}

std::string ztWebMetrics::render() const {
    return itsRegistry.render();
}
