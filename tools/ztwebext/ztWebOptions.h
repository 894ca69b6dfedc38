#pragma once
// The command line of ztwebext, the time-outs and limits that the environment may shorten
// (tests do), and the help text.

#include <cstdint>
#include <string>

struct ztWebOptions {
    bool itsHelp = false;
    std::string itsListenHost = "127.0.0.1";
    uint16_t itsListenPort = 8080;
    // The session manager's default central server (always on port 1231).
    std::string itsCentral = "localhost";
    bool itsCentralFixed = false;
    // 0 leaves the library's idle timeout as it is.
    int32_t itsSessionTimeout = 0;
    // Threads that run the library's dispatcher; a request waits in a queue for one.
    uint32_t itsWorkers = 16;
    std::string itsTlsCert;
    std::string itsTlsKey;
    bool itsDemo = false;
    // Where --demo runs the stand-in (ZTWEBEXT_DEMO_ADDRESS; tests use their own loopback).
    std::string itsDemoAddress = "127.0.0.1";
    // The library's information-log threshold (0..7); -1 keeps its default.
    int itsLogLevel = -1;

    // From the environment (ZTWEBEXT_*), in milliseconds.
    uint32_t itsReadTimeoutMs = 10000;  // a request must arrive whole within this
    uint32_t itsIdleTimeoutMs = 30000;  // a keep-alive connection may wait this long
    uint32_t itsWriteTimeoutMs = 10000; // an answer must be taken within this
    uint32_t itsDrainTimeoutMs = 10000; // requests in flight at a stop get this long
    uint32_t itsMaxConnections = 1024;
    // Requests waiting for a worker beyond this many are answered 503.
    uint32_t itsMaxQueued = 4096;

    // Reads the arguments after the program name, then the environment. Returns an empty
    // text, or what is wrong (one line). "--help" anywhere only sets itsHelp.
    static std::string parse(int inCount, const char* const* inArguments, ztWebOptions& outOptions);
    // The time-outs and limits from ZTWEBEXT_READ_TIMEOUT_MS, ZTWEBEXT_IDLE_TIMEOUT_MS,
    // ZTWEBEXT_WRITE_TIMEOUT_MS, ZTWEBEXT_DRAIN_TIMEOUT_MS, ZTWEBEXT_MAX_CONNECTIONS and
    // ZTWEBEXT_MAX_QUEUED, and the demo address from
    // ZTWEBEXT_DEMO_ADDRESS. Returns an empty text or what is wrong.
    static std::string readEnvironment(ztWebOptions& ioOptions);
    static std::string usage();
};
