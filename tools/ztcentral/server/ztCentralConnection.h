#pragma once
// What the stand-in server knows about one client connection: who logged in on it, how many
// packets of net objects it has received (for the drop-after-packets fault) and when it was
// accepted. Shared by the connection's peer objects and the server's registry.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

class ztNetObjectHandler;

class ztCentralConnection {
public:
    // inHandler runs the connection; it is not owned and outlives every peer object of the
    // connection (they run on it), but not necessarily this object.
    explicit ztCentralConnection(ztNetObjectHandler& inHandler);
    ztCentralConnection(const ztCentralConnection&) = delete;
    ztCentralConnection& operator=(const ztCentralConnection&) = delete;

    // The handler. Only the connection's own peer objects and holders of the handler's
    // shared pointer may use it.
    ztNetObjectHandler& handler() const { return itsHandler; }

    // Records a successful Login of inUser (the canonical login name). Any thread.
    void logIn(std::string inUser);
    // The logged-in user, empty before a Login succeeded. Any thread.
    std::string user() const;
    bool isLoggedIn() const { return itsLoggedIn.load(); }

    // Counts one received packet of a net object and returns the count so far.
    uint32_t countPacket() { return ++itsPackets; }
    // Milliseconds on the monotonic clock when the connection was accepted.
    uint64_t acceptedAt() const { return itsAcceptedAt; }

private:
    ztNetObjectHandler& itsHandler;
    const uint64_t itsAcceptedAt;
    mutable std::mutex itsMutex;
    std::string itsUser;
    std::atomic<bool> itsLoggedIn{false};
    std::atomic<uint32_t> itsPackets{0};
};
