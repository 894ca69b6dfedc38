// TCP endpoints on loopback: connecting, accepting and transfers; time-outs, interrupts and
// a peer that closes; writes cut off part way; and connecting by name through a resolver
// that answers, fails or hangs.
#include "net/ztIPEndpoint.h"

#include "messages/ztInfoLog.h"
#include "net/ztNetTestSupport.h"
#include "net/ztTCPEndpoint.h"
#include "threads/ztSingleEvent.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace zt::test;

namespace {

constexpr int32_t kLongTimeout = 5000;

ConnectedPair<ztTCPEndpoint> tcpPair(uint8_t inLast, int32_t inClientTimeout = kLongTimeout) {
    return connectPair(inLast, std::make_unique<ztTCPEndpoint>(kLongTimeout),
                       std::make_unique<ztTCPEndpoint>(inClientTimeout));
}

// A TCP endpoint whose sockets a test may shrink, so that a peer that stops reading fills
// them after a few kilobytes.
class SmallBufferEndpoint : public ztTCPEndpoint {
public:
    using ztTCPEndpoint::ztTCPEndpoint;

    std::unique_ptr<ztNetEndpoint> createEndpoint(ztEvent* inInterrupt,
                                                  int32_t inTimeoutMs) override {
        return std::make_unique<SmallBufferEndpoint>(inTimeoutMs, inInterrupt);
    }
    void shrinkBuffers() {
        itsSocket.setSendBufferSize(4096);
        itsSocket.setReceiveBufferSize(4096);
        for (const zt::platform::Socket& listener : itsListenSockets)
            listener.setReceiveBufferSize(4096);
    }
};

// Raises the log threshold so that the level-6 lines are written, and captures them.
class CapturedLog {
public:
    CapturedLog() : itsSaved(ztLogGetConfig()) {
        ztLogConfig config = itsSaved;
        config.threshold = 6;
        ztLogSetConfig(config);
        ::testing::internal::CaptureStderr();
    }
    ~CapturedLog() {
        if (!itsTaken)
            ::testing::internal::GetCapturedStderr();
        ztLogSetConfig(itsSaved);
    }
    std::string take() {
        itsTaken = true;
        return ::testing::internal::GetCapturedStderr();
    }

private:
    ztLogConfig itsSaved;
    bool itsTaken = false;
};

} // namespace

// ---- connecting, accepting, transfers

TEST(ztIPEndpoint, connectsAcceptsAndCarriesBytesBothWays) {
    ConnectedPair<ztTCPEndpoint> pair = tcpPair(1);
    ASSERT_EQ(pair.clientResult, ztErr_noError);
    ASSERT_TRUE(pair.server && pair.client->isOpen() && pair.server->isOpen());
    EXPECT_EQ(pair.client->getAddress(), loopback(1));
    EXPECT_EQ(pair.client->getPort(), kPort);
    EXPECT_EQ(pair.server->getLocalAddress(), loopback(1));
    EXPECT_NE(pair.server->getPort(), 0) << "the accepted endpoint knows the peer's port";

    // Large enough to fill the socket buffers, so that both sides must wait for each other.
    const std::string upstream = patternBytes(3 << 20, 1);
    const std::string downstream = patternBytes(1 << 20, 2);
    std::string received;
    {
        PeerThread writer([&] {
            EXPECT_EQ(pair.client->write(upstream.data(), upstream.size()), ztErr_noError);
        });
        EXPECT_EQ(readAll(*pair.server, upstream.size(), received), ztErr_noError);
    }
    EXPECT_TRUE(received == upstream);
    EXPECT_EQ(pair.server->write(downstream.data(), downstream.size()), ztErr_noError);
    EXPECT_EQ(readAll(*pair.client, downstream.size(), received), ztErr_noError);
    EXPECT_TRUE(received == downstream);
    EXPECT_EQ(pair.client->getBytesSent(), upstream.size());
    EXPECT_EQ(pair.server->getBytesReceived(), upstream.size());
}

TEST(ztIPEndpoint, refusedConnectionGivesConnectFailed) {
    ztTCPEndpoint client(kLongTimeout);
    EXPECT_EQ(client.connect(loopback(2), kPort), ztErr_connectFailed);
    EXPECT_FALSE(client.isOpen());
}

TEST(ztIPEndpoint, closedOrUnsupportedEndpointsRefuseTheirOperations) {
    ztTCPEndpoint closed(100);
    char byte = 0;
    uint32_t length = 1;
    int ttl = 0;
    EXPECT_EQ(closed.rawRead(&byte, length), ztErr_connectFailed);
    EXPECT_EQ(closed.rawWrite(&byte, 1), ztErr_connectFailed);
    EXPECT_EQ(closed.setTTL(5), ztErr_connectFailed);
    EXPECT_EQ(closed.getTTL(ttl), ztErr_connectFailed);
    EXPECT_EQ(closed.connect(std::string("central.test"), 0), ztErr_connectFailed);
    EXPECT_EQ(closed.accept(), nullptr) << "not listening";
    EXPECT_FALSE(closed.setPeerAddress(loopback(9))) << "TCP has a fixed peer";
    EXPECT_EQ(closed.secureAccepted(), ztErr_notSupported);

    ztIPEndpoint datagram(ztNetEndpoint::Kind::udp, 100, nullptr);
    EXPECT_EQ(datagram.connect(loopback(9), kPort), ztErr_notSupported);
    EXPECT_TRUE(datagram.setPeerAddress(loopback(9)));
}

TEST(ztIPEndpoint, listeningFailsWhereNoSocketCanBind) {
    ztTCPEndpoint listener(100);
    // A documentation address (TEST-NET-1) belongs to no interface of this machine.
    EXPECT_EQ(listener.startListen(kPort, ztIPv6("192.0.2.1")), ztErr_netNotAvailable);
    ztTCPEndpoint ipv6Only(100);
    ipv6Only.setPreferredFamily(zt::platform::AddressFamily::ipv6);
    EXPECT_EQ(ipv6Only.startListen(kPort, loopback(3)), ztErr_connectFailed)
        << "an IPv4 address does not resolve as IPv6";
}

TEST(ztIPEndpoint, acceptGivesNothingWhenNoConnectionComesInTime) {
    ztTCPEndpoint listener(100);
    ASSERT_EQ(listener.startListen(kPort, loopback(4)), ztErr_noError);
    std::unique_ptr<ztNetEndpoint> accepted;
    const uint64_t spent = millisOf([&] { accepted = listener.accept(); });
    EXPECT_EQ(accepted, nullptr);
    EXPECT_GE(spent, 90u);
    EXPECT_LT(spent, 3000u);
}

TEST(ztIPEndpoint, readTimesOutWhenNothingArrives) {
    ConnectedPair<ztTCPEndpoint> pair = tcpPair(5, 150);
    ASSERT_EQ(pair.clientResult, ztErr_noError);
    char byte = 0;
    uint32_t length = 1;
    ztErr result = ztErr_noError;
    const uint64_t spent = millisOf([&] { result = pair.client->read(&byte, length); });
    EXPECT_EQ(result, ztErr_timeout);
    EXPECT_EQ(length, 0u);
    EXPECT_GE(spent, 140u);
    EXPECT_LT(spent, 3000u);
    EXPECT_TRUE(pair.client->isOpen()) << "a time-out leaves the connection usable";
}

TEST(ztIPEndpoint, interruptEventEndsAWaitButNotDataThatIsThere) {
    ConnectedPair<ztTCPEndpoint> pair = tcpPair(6);
    ASSERT_EQ(pair.clientResult, ztErr_noError);
    ztSingleEvent interrupt;
    pair.client->setInterruptEvent(&interrupt);
    char buffer[8] = {};
    uint32_t length = sizeof buffer;
    ztErr result = ztErr_noError;
    uint64_t spent = 0;
    {
        PeerThread setter([&] {
            zt::platform::sleepMillis(50);
            interrupt.set();
        });
        spent = millisOf([&] { result = pair.client->read(buffer, length); });
    }
    EXPECT_EQ(result, ztErr_cancelled);
    EXPECT_LT(spent, 3000u);

    // Bytes that have arrived are read although the event is still set; until they arrive
    // the read reports the event.
    ASSERT_EQ(pair.server->write("abc", 3), ztErr_noError);
    length = sizeof buffer;
    result = ztErr_cancelled;
    for (int attempt = 0; attempt < 2000 && result == ztErr_cancelled; ++attempt) {
        length = sizeof buffer;
        result = pair.client->read(buffer, length);
        if (result == ztErr_cancelled)
            zt::platform::sleepMillis(1);
    }
    EXPECT_EQ(result, ztErr_noError);
    EXPECT_EQ(std::string(buffer, length), "abc");
    pair.client->setInterruptEvent(nullptr);
}

TEST(ztIPEndpoint, peerThatClosesGivesReadWriteErrorAndALogLine) {
    ConnectedPair<ztTCPEndpoint> pair = tcpPair(7);
    ASSERT_EQ(pair.clientResult, ztErr_noError);
    pair.server->close();
    CapturedLog log;
    char byte = 0;
    uint32_t length = 1;
    EXPECT_EQ(pair.client->read(&byte, length), ztErr_netReadWrite);
    const std::string lines = log.take();
    EXPECT_NE(lines.find("ztIPEndpoint::netRead("), std::string::npos) << lines;
    EXPECT_NE(lines.find(") connection disconnected"), std::string::npos) << lines;

    // Writing into a closed connection fails once the peer's reset has come back.
    const std::string block(64 * 1024, 'x');
    ztErr result = ztErr_noError;
    for (int attempt = 0; attempt < 100 && result == ztErr_noError; ++attempt)
        result = pair.client->rawWrite(block.data(), block.size());
    EXPECT_EQ(result, ztErr_netReadWrite);
}

TEST(ztIPEndpoint, interruptCutsOffAWriteOnlyByClosingTheConnection) {
    ConnectedPair<ztTCPEndpoint> pair = tcpPair(8);
    ASSERT_EQ(pair.clientResult, ztErr_noError);
    ztSingleEvent interrupt;
    pair.client->setInterruptEvent(&interrupt);
    // The server does not read, so the write stalls once the socket buffers are full.
    const std::string block(32 << 20, 'x');
    ztErr result = ztErr_noError;
    {
        PeerThread setter([&] {
            zt::platform::sleepMillis(100);
            interrupt.set();
        });
        result = pair.client->rawWrite(block.data(), block.size());
    }
    EXPECT_EQ(result, ztErr_cancelled);
    EXPECT_FALSE(pair.client->isOpen()) << "the peer holds a cut-off frame";
    pair.client->setInterruptEvent(nullptr);
}

TEST(ztIPEndpoint, timeOutCutsOffAWriteOnlyByClosingTheConnection) {
    ConnectedPair<ztTCPEndpoint> pair = tcpPair(9, 200);
    ASSERT_EQ(pair.clientResult, ztErr_noError);
    const std::string block(32 << 20, 'x');
    ztErr result = ztErr_noError;
    const uint64_t spent =
        millisOf([&] { result = pair.client->rawWrite(block.data(), block.size()); });
    EXPECT_EQ(result, ztErr_timeout);
    EXPECT_FALSE(pair.client->isOpen());
    EXPECT_LT(spent, 5000u);
}

TEST(ztIPEndpoint, interruptedWriteThatSentNothingLeavesTheStreamIntact) {
    auto listener = std::make_unique<SmallBufferEndpoint>(kLongTimeout);
    ASSERT_EQ(listener->startListen(kPort, loopback(10)), ztErr_noError);
    listener->shrinkBuffers();
    ConnectedPair<SmallBufferEndpoint> pair =
        acceptPair(10, std::move(listener), std::make_unique<SmallBufferEndpoint>(kLongTimeout));
    ASSERT_EQ(pair.clientResult, ztErr_noError);
    ASSERT_TRUE(pair.server);
    pair.client->shrinkBuffers();

    // With the event set, one-byte writes go out until the buffers are full; the first that
    // would have to wait is refused whole.
    ztSingleEvent interrupt;
    interrupt.set();
    pair.client->setInterruptEvent(&interrupt);
    std::string sent;
    ztErr result = ztErr_noError;
    for (int i = 0; i < 2'000'000 && result == ztErr_noError; ++i) {
        const char byte = static_cast<char>('a' + i % 26);
        result = pair.client->rawWrite(&byte, 1);
        if (result == ztErr_noError)
            sent.push_back(byte);
    }
    ASSERT_EQ(result, ztErr_cancelled);
    EXPECT_TRUE(pair.client->isOpen());
    pair.client->setInterruptEvent(nullptr);

    std::string received;
    {
        PeerThread writer([&] { EXPECT_EQ(pair.client->rawWrite("END", 3), ztErr_noError); });
        ASSERT_EQ(readAll(*pair.server, sent.size() + 3, received), ztErr_noError);
    }
    EXPECT_TRUE(received == sent + "END") << "the refused byte never reached the peer";
}

TEST(ztIPEndpoint, setsAndReadsTheTimeToLive) {
    ConnectedPair<ztTCPEndpoint> pair = tcpPair(11);
    ASSERT_EQ(pair.clientResult, ztErr_noError);
    int ttl = 0;
    ASSERT_EQ(pair.client->setTTL(7), ztErr_noError);
    ASSERT_EQ(pair.client->getTTL(ttl), ztErr_noError);
    EXPECT_EQ(ttl, 7);
    EXPECT_EQ(pair.client->setTTL(1000), ztErr_netNotAvailable) << "beyond 255";
    EXPECT_TRUE(pair.client->getLocalAddress().isIPv4());
    pair.client->close();
    EXPECT_EQ(pair.client->getLocalAddress(), loopback(11)) << "closed: the stored address";
}

// ---- connecting by name

TEST(ztIPEndpoint, addressLiteralsNeverStartALookup) {
    std::atomic<int> calls{0};
    ResolverScope scope([&](const std::string&) {
        ++calls;
        return std::vector<ztIPv6>{};
    });
    ztTCPEndpoint listener(kLongTimeout);
    ASSERT_EQ(listener.startListen(kPort, loopback(12)), ztErr_noError);
    for (const std::string& name : {loopbackText(12), "::ffff:" + loopbackText(12)}) {
        SCOPED_TRACE(name);
        ztTCPEndpoint client(kLongTimeout);
        std::unique_ptr<ztNetEndpoint> accepted;
        ztErr result = ztErr_unknown;
        {
            PeerThread connector([&] { result = client.connect(name, kPort); });
            accepted = listener.accept();
        }
        EXPECT_EQ(result, ztErr_noError);
        EXPECT_NE(accepted, nullptr);
    }
    EXPECT_EQ(calls.load(), 0);
}

TEST(ztIPEndpoint, connectsToTheFirstResolvedAddressThatAnswers) {
    // 0.0.0.0 is skipped, 127.0.1.13 refuses, 127.0.1.14 listens, 127.0.1.15 is not reached.
    ResolverScope scope([](const std::string& inName) {
        EXPECT_EQ(inName, "central.test");
        return std::vector<ztIPv6>{ztIPv6("0.0.0.0"), loopback(13), loopback(14), loopback(15)};
    });
    ztTCPEndpoint listener(kLongTimeout);
    ASSERT_EQ(listener.startListen(kPort, loopback(14)), ztErr_noError);
    ztTCPEndpoint client(kLongTimeout);
    std::unique_ptr<ztNetEndpoint> accepted;
    ztErr result = ztErr_unknown;
    {
        PeerThread connector([&] { result = client.connect(std::string("central.test"), kPort); });
        accepted = listener.accept();
    }
    EXPECT_EQ(result, ztErr_noError);
    EXPECT_EQ(client.getAddress(), loopback(14));
    EXPECT_NE(accepted, nullptr);
}

TEST(ztIPEndpoint, reportsWhatTheResolverFound) {
    struct Row {
        const char* name;
        ztIPEndpoint::Resolver resolver;
        ztErr expected;
    };
    const Row rows[] = {
        {"no address", [](const std::string&) { return std::vector<ztIPv6>{}; },
         ztErr_hostNotFound},
        {"only unusable addresses",
         [](const std::string&) {
             return std::vector<ztIPv6>{ztIPv6("0.0.0.0"), ztIPv6("::")};
         },
         ztErr_connectFailed},
        {"resolver failure",
         [](const std::string&) -> std::vector<ztIPv6> {
             throw ztException(ztErr_hostNotFound, "no such host");
         },
         ztErr_hostNotFound},
        {"only refusing addresses",
         [](const std::string&) {
             return std::vector<ztIPv6>{loopback(16), loopback(17)};
         },
         ztErr_connectFailed},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ResolverScope scope(row.resolver);
        ztTCPEndpoint client(kLongTimeout);
        EXPECT_EQ(client.connect(std::string("central.test"), kPort), row.expected);
        EXPECT_FALSE(client.isOpen());
    }
}

TEST(ztIPEndpoint, emptyHostNameIsRefused) {
    try {
        ztIPEndpoint::getAddressInfo("");
        FAIL() << "no exception";
    } catch (const ztException& inError) {
        EXPECT_EQ(inError.getErrorValue(), ztErr_connectFailed);
        EXPECT_STREQ(inError.what(), "ztIPEndpoint::getAddressInfo: No hostname provided.");
    }
    ztTCPEndpoint client(1000);
    EXPECT_EQ(client.connect(std::string(), kPort), ztErr_connectFailed);
}

TEST(ztIPEndpoint, systemResolverFindsLocalhost) {
    const std::vector<ztIPv6> addresses = ztIPEndpoint::getAddressInfo("localhost");
    ASSERT_FALSE(addresses.empty());
    const bool loopbackFound =
        std::any_of(addresses.begin(), addresses.end(), [](const ztIPv6& inAddress) {
            return inAddress == ztIPv6("127.0.0.1") || inAddress == ztIPv6("::1");
        });
    EXPECT_TRUE(loopbackFound);
}

TEST(ztIPEndpoint, hangingResolverGivesTimeoutAndIsLeftToEndAlone) {
    HangingResolver hanging;
    ResolverScope scope(hanging.resolver());
    ztErr result = ztErr_noError;
    uint64_t spent = 0;
    {
        ztTCPEndpoint client(200);
        spent = millisOf([&] { result = client.connect(std::string("central.test"), kPort); });
    }
    EXPECT_EQ(result, ztErr_timeout);
    EXPECT_GE(spent, 190u);
    EXPECT_LT(spent, 3000u);
    EXPECT_EQ(hanging.calls(), 1);
    // The endpoint is gone; the look-up ends on its own once the resolver answers.
    hanging.release();
    EXPECT_TRUE(hanging.waitForReturns(1, 5000));
}

TEST(ztIPEndpoint, interruptEndsAHangingLookup) {
    HangingResolver hanging;
    ResolverScope scope(hanging.resolver());
    ztSingleEvent interrupt;
    ztTCPEndpoint client(kLongTimeout, &interrupt);
    ztErr result = ztErr_noError;
    uint64_t spent = 0;
    {
        PeerThread setter([&] {
            zt::platform::sleepMillis(50);
            interrupt.set();
        });
        spent = millisOf([&] { result = client.connect(std::string("central.test"), kPort); });
    }
    EXPECT_EQ(result, ztErr_cancelled);
    EXPECT_LT(spent, 3000u);
    hanging.release();
    EXPECT_TRUE(hanging.waitForReturns(1, 5000));
}
