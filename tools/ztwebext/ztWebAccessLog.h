#pragma once
// The access log: one line per request on standard output, with the time, the client, the
// method, the target with its secrets masked, the status, the body bytes sent and the
// milliseconds taken. Session ids, passwords and login names in the query are written as
// "***"; headers (Authorization among them) and bodies are never written.

#include <cstdint>
#include <mutex>
#include <string>

class ztWebAccessLog {
public:
    // The line for one request, without the line feed.
    static std::string format(const std::string& inTime, const std::string& inClient,
                              const std::string& inMethod, const std::string& inPath,
                              const std::string& inQuery, bool inHasQuery, int inStatus,
                              uint64_t inBytes, double inMilliseconds);
    // The current time as 2026-01-31T12:34:56.789Z.
    static std::string now();

    // Writes format(now(), ...) and a line feed, whole, to standard output. Any thread.
    void write(const std::string& inClient, const std::string& inMethod, const std::string& inPath,
               const std::string& inQuery, bool inHasQuery, int inStatus, uint64_t inBytes,
               double inMilliseconds);

private:
    std::mutex itsMutex;
};
