#pragma once
// The HTTP/1.1 server of ztwebext on Boost.Beast: one thread reads and writes every
// connection without blocking, requests go to the worker pool, so a slow central server
// holds up only the requests waiting for it. It enforces the limits (body and header size,
// the time a request may take to arrive, the number of connections), keeps connections
// alive and answers pipelined requests in order, serves HTTPS when given a certificate,
// and stops gracefully.

#include <cstdint>
#include <memory>
#include <string>

class ztWebAccessLog;
class ztWebMetrics;
class ztWebRouter;
class ztWebWorkers;

class ztWebServer {
public:
    // Bodies above this get 413 before they are read.
    static constexpr uint64_t maxBodyBytes = 16 * 1024 * 1024;
    // The request line and header fields together; above this 431.
    static constexpr uint32_t maxHeaderBytes = 64 * 1024;

    struct Settings {
        std::string itsHost = "127.0.0.1";
        uint16_t itsPort = 8080;
        std::string itsTlsCert; // PEM files; empty serves plain HTTP
        std::string itsTlsKey;
        uint32_t itsReadTimeoutMs = 10000;
        uint32_t itsIdleTimeoutMs = 30000;
        uint32_t itsWriteTimeoutMs = 10000;
        uint32_t itsMaxConnections = 1024;
    };

    // The router, the workers, the metrics and the log outlive the server.
    ztWebServer(Settings inSettings, const ztWebRouter& inRouter, ztWebWorkers& ioWorkers,
                ztWebMetrics& ioMetrics, ztWebAccessLog& ioLog);
    ztWebServer(const ztWebServer&) = delete;
    ztWebServer& operator=(const ztWebServer&) = delete;
    ~ztWebServer();

    // Listens and starts serving on a thread of its own. Returns an empty text, or the one
    // line that says why it cannot serve (address in use, unreadable certificate).
    std::string start();
    // Stops accepting, closes idle connections, lets requests in flight finish for at most
    // inDrainMs, then closes what is left and ends the thread. True when everything in
    // flight finished in time. Call once, from the thread that started it.
    bool stop(uint32_t inDrainMs);
    // "ADDR:PORT" actually listened on (the port is chosen by the system for port 0).
    std::string localAddress() const;

private:
    struct Impl;
    std::unique_ptr<Impl> itsImpl;
};
