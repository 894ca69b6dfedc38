#pragma once
// Shared pieces of the endpoint tests: loopback addresses (each TEST owns one, since ctest
// runs the tests of a program in parallel), a peer thread, a connected pair of endpoints,
// and resolvers installed through the process-wide seam of ztIPEndpoint.
//
// Addresses 127.0.1.N in use: ztIPEndpointTest 1-39, ztSecureTCPEndpointTest 40-99.

#include "messages/ztException.h"
#include "net/ztIPEndpoint.h"
#include "platform/ztTickCount.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace zt::test {

inline constexpr uint16_t kPort = 1231;

inline ztIPv6 loopback(uint8_t inLast) {
    return ztIPv6(ztIPv4(127, 0, 1, inLast));
}

inline std::string loopbackText(uint8_t inLast) {
    return loopback(inLast).format();
}

// Bytes where a lost, doubled or misplaced byte shows.
inline std::string patternBytes(size_t inLength, uint32_t inSeed = 1) {
    std::mt19937 generator(inSeed);
    std::string bytes(inLength, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(generator());
    return bytes;
}

// Runs a function on its own thread; the destructor joins it.
class PeerThread {
public:
    explicit PeerThread(std::function<void()> inBody) : itsThread(std::move(inBody)) {}
    PeerThread(const PeerThread&) = delete;
    PeerThread& operator=(const PeerThread&) = delete;
    ~PeerThread() { join(); }
    void join() {
        if (itsThread.joinable())
            itsThread.join();
    }

private:
    std::thread itsThread;
};

// A listener on 127.0.1.N and the two ends of one connection to it. The client connects on
// a peer thread while this thread accepts.
template <typename Endpoint> struct ConnectedPair {
    std::unique_ptr<Endpoint> listener;
    std::unique_ptr<Endpoint> server;
    std::unique_ptr<Endpoint> client;
    ztErr clientResult = ztErr_unknown;
};

// Connects inClient to inListener, which already listens on 127.0.1.N.
template <typename Endpoint>
ConnectedPair<Endpoint> acceptPair(uint8_t inLast, std::unique_ptr<Endpoint> inListener,
                                   std::unique_ptr<Endpoint> inClient) {
    ConnectedPair<Endpoint> pair;
    pair.listener = std::move(inListener);
    pair.client = std::move(inClient);
    PeerThread connector(
        [&] { pair.clientResult = pair.client->connect(loopback(inLast), kPort); });
    std::unique_ptr<ztNetEndpoint> accepted = pair.listener->accept();
    pair.server.reset(dynamic_cast<Endpoint*>(accepted.release()));
    return pair;
}

template <typename Endpoint>
ConnectedPair<Endpoint> connectPair(uint8_t inLast, std::unique_ptr<Endpoint> inListener,
                                    std::unique_ptr<Endpoint> inClient) {
    EXPECT_EQ(inListener->startListen(kPort, loopback(inLast)), ztErr_noError);
    return acceptPair(inLast, std::move(inListener), std::move(inClient));
}

// Reads until inLength bytes arrived or the endpoint reports an error (returned).
inline ztErr readAll(ztNetEndpoint& ioEndpoint, size_t inLength, std::string& outBytes) {
    outBytes.assign(inLength, '\0');
    return ioEndpoint.readFully(outBytes.data(), static_cast<uint32_t>(inLength));
}

// Installs a resolver for the scope of a test and restores the previous one.
class ResolverScope {
public:
    explicit ResolverScope(ztIPEndpoint::Resolver inResolver)
        : itsPrevious(ztIPEndpoint::setResolver(std::move(inResolver))) {}
    ResolverScope(const ResolverScope&) = delete;
    ResolverScope& operator=(const ResolverScope&) = delete;
    ~ResolverScope() { ztIPEndpoint::setResolver(std::move(itsPrevious)); }

private:
    ztIPEndpoint::Resolver itsPrevious;
};

// A resolver that stands for a name server that does not answer: each call blocks until
// release(). Its state is shared with the calls, so a look-up thread that is still blocked
// when the test's objects are gone never touches freed memory.
class HangingResolver {
public:
    HangingResolver() : itsState(std::make_shared<State>()) {}
    // Lets every blocked call go, so that no look-up thread outlives the test.
    ~HangingResolver() { release(); }

    ztIPEndpoint::Resolver resolver() const {
        return [state = itsState](const std::string&) {
            std::unique_lock lock(state->mutex);
            ++state->calls;
            state->changed.notify_all();
            state->changed.wait(lock, [&] { return state->released; });
            ++state->returned;
            state->changed.notify_all();
            return std::vector<ztIPv6>{loopback(250)};
        };
    }

    void release() {
        std::lock_guard lock(itsState->mutex);
        itsState->released = true;
        itsState->changed.notify_all();
    }

    // Waits up to inMillis until inCount calls have returned.
    bool waitForReturns(int inCount, int inMillis) {
        std::unique_lock lock(itsState->mutex);
        return itsState->changed.wait_for(lock, std::chrono::milliseconds(inMillis),
                                          [&] { return itsState->returned >= inCount; });
    }

    int calls() const {
        std::lock_guard lock(itsState->mutex);
        return itsState->calls;
    }

private:
    struct State {
        std::mutex mutex;
        std::condition_variable changed;
        bool released = false;
        int calls = 0;
        int returned = 0;
    };
    std::shared_ptr<State> itsState;
};

// Milliseconds spent by inCall.
template <typename Call> uint64_t millisOf(Call&& inCall) {
    const uint64_t begin = zt::platform::monotonicMillis();
    inCall();
    return zt::platform::monotonicMillis() - begin;
}

} // namespace zt::test
