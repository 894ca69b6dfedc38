#pragma once
// Which endpoint answers a request: the methods each path allows (HEAD and OPTIONS on all
// of them, 405 with Allow otherwise), the credentials of REST and JSON-RPC, the content
// types of the answers, and the labels that the metrics and the access log use.

#include "ztwebext/ztWebMessage.h"

class ztWebMetrics;
class ztWebRouteSource;

class ztWebRouter {
public:
    // Both outlive the router.
    ztWebRouter(ztWebMetrics& ioMetrics, const ztWebRouteSource& inRoutes);

    // Runs the request (calling the library for the dialect endpoints) and returns the
    // answer. Never throws: a failure outside the library's own fault handling is a 500.
    // Any thread; runs on a worker because the library blocks while the central server
    // answers.
    ztWebResponse handle(const ztWebRequest& inRequest) const;

    // Whether the answer is made without the library or a central server (status pages,
    // OPTIONS, refusals), so that the reading thread may give it at once: health checks
    // stay answered while every worker waits for a slow central server.
    static bool isQuick(const ztWebRequest& inRequest);

private:
    ztWebResponse route(const ztWebRequest& inRequest) const;

    ztWebMetrics& itsMetrics;
    const ztWebRouteSource& itsRoutes;
};

// An answer with a short text/plain body (errors and status pages).
ztWebResponse ztWebPlainResponse(int inStatus, const std::string& inText);
