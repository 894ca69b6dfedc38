// The accepting side against peers that send anything at all: each bad input ends that
// peer's connection cleanly, is answered with the protocol's error report, or is dropped,
// and a well-behaved client of the same server never notices.
#include "netobjects/ztNetServer.h"

#include "handler/ztHandlerTestSupport.h"
#include "messages/ztMessageTexts.h"

#include <gtest/gtest.h>

using namespace zt::handlertest;

namespace {

Bytes packet(const ztNetObjectHeader& inHeader, const Bytes& inData = {}) {
    return RawPeer::frame(RawPeer::payloadOf(inHeader, inData));
}

Bytes concat(Bytes inLeft, const Bytes& inRight) {
    inLeft.insert(inLeft.end(), inRight.begin(), inRight.end());
    return inLeft;
}

// A serialized error message as a peer sends it.
Bytes errorMessageBytes() {
    ztDynamicNetWriter writer(64);
    writer.putErrorMessage(ztErrorMessage(ztErr_netReadWrite, ztText::netBroken));
    return Bytes(writer.data(), writer.data() + writer.count());
}

enum class Outcome {
    closed,   // the server ends this connection
    answered, // an error report about the object comes back
    ignored,  // nothing comes back and the connection goes on
};

} // namespace

TEST(ztNetServer, hostilePeersEndOnlyTheirOwnConnection) {
    auto server = startServer(60);
    ASSERT_TRUE(server);
    auto client = connectTo(60);

    Bytes badTrailer = packet(ztNetObjectHeader(3, kEchoType, 0x0B, 0), {1});
    badTrailer.back() = 'x';
    struct Row {
        const char* name;
        Bytes bytes;
        Outcome outcome;
        ztErr error = ztErr_noError; // of the report, with the id and type below
        uint16_t id = 0;
        uint16_t type = 0;
    };
    const Row rows[] = {
        {"wrong marker", {'X', 0, 0, 0, 1, 0, '>'}, Outcome::closed},
        {"bad trailer", badTrailer, Outcome::closed},
        {"announced length past the limit", {'<', 0x7F, 0xFF, 0xFF, 0xFF}, Outcome::closed},
        {"corrupt compressed payload", {'(', 0, 0, 0, 5, 1, 2, 3, 4, 5, '>'}, Outcome::closed},
        {"empty payload", RawPeer::frame({}), Outcome::closed},
        {"payload shorter than a header", RawPeer::frame({0, 1, 100}), Outcome::closed},
        {"extended type with a reserved word",
         RawPeer::frame({0, 1, 0xFF, 0x0B, 0, 0, 0x0F, 0xA0, 0, 1}), Outcome::closed},
        {"connection error from the peer", packet(ztNetObjectHeader(0, 5, 0x08, 0x0202)),
         Outcome::closed},
        {"connection error with a cut message",
         packet(ztNetObjectHeader(0, 5, 0x08, 0x0202), {0, 0}), Outcome::closed},
        {"middle packet for an unknown id", packet(ztNetObjectHeader(500, kEchoType, 0x01, 0), {1}),
         Outcome::ignored},
        {"cancel for an unknown id", packet(ztNetObjectHeader(600, kEchoType, 0x0D, 0)),
         Outcome::ignored},
        {"cancel acknowledgement for an unknown id",
         packet(ztNetObjectHeader(601, kEchoType, 0x0C, 0)), Outcome::ignored},
        {"error report for an unknown id",
         packet(ztNetObjectHeader(602, kEchoType, 0x09, 0x0202), errorMessageBytes()),
         Outcome::ignored},
        {"first packet that carries an error",
         packet(ztNetObjectHeader(603, kEchoType, 0x0B, 0x0202)), Outcome::ignored},
        {"first part of a body whose rest never comes",
         packet(ztNetObjectHeader(604, kEchoType, 0x03, 0), {1, 2}), Outcome::ignored},
        {"unsupported type", packet(ztNetObjectHeader(7, kUnservedType, 0x0B, 0), {1}),
         Outcome::answered, ztErr_requestNotSupported, 7, kUnservedType},
        {"unsupported extended type", packet(ztNetObjectHeader(8, 9999, 0x0B, 0), {1}),
         Outcome::answered, ztErr_requestNotSupported, 8, 9999},
        {"Connect body cut short", packet(ztNetObjectHeader(9, 2, 0x0B, 0)), Outcome::answered,
         ztErr_unexpectedData, 9, 2},
        {"two packets in one write, the second unsupported",
         concat(packet(ztNetObjectHeader(605, kEchoType, 0x01, 0), {1}),
                packet(ztNetObjectHeader(10, kUnservedType, 0x0B, 0))),
         Outcome::answered, ztErr_requestNotSupported, 10, kUnservedType},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RawPeer peer;
        ASSERT_TRUE(peer.open(60));
        ASSERT_EQ(peer.writeRaw(row.bytes), ztErr_noError);
        ztNetObjectHeader header;
        Bytes data;
        switch (row.outcome) {
        case Outcome::closed:
            EXPECT_TRUE(peer.closedWithin(3000));
            break;
        case Outcome::answered: {
            ASSERT_EQ(peer.readObjectPacket(header, data), ztErr_noError);
            EXPECT_EQ(header, ztNetObjectHeader(row.id, row.type, 0x08, row.error));
            ztErrorMessage message;
            ztNetReader reader(data.data(), data.size());
            reader.getErrorMessage(message);
            EXPECT_EQ(reader.count(), data.size());
            EXPECT_FALSE(message.getTemplate().empty());
            [[fallthrough]];
        }
        case Outcome::ignored: {
            // The connection is still served.
            ASSERT_EQ(peer.connectExchange(1000, header, data), ztErr_noError);
            EXPECT_EQ(header, ztNetObjectHeader(1000, 2, 0x08, 0));
            ztNetReader reader(data.data(), data.size());
            ztConnectAnswer answer;
            answer.readFrom(reader);
            EXPECT_EQ(answer.itsServerVersion, 7);
            break;
        }
        }
        EchoRequest echo(patternBytes(1000));
        client->performRequest(echo);
        EXPECT_EQ(echo.itsAnswer, echo.itsBody);
    }
}

TEST(ztNetServer, connectAnswerCanChangeWhileItRuns) {
    auto server = startServer(61);
    ASSERT_TRUE(server);
    ztConnectAnswer answer;
    auto first = connectTo(61, answer);
    EXPECT_FALSE(answer.itsNotReady);
    ztConnectAnswer notReady = server->getAnswer();
    notReady.itsNotReady = true;
    server->setAnswer(notReady);
    auto second = connectTo(61, answer);
    EXPECT_TRUE(answer.itsNotReady);
    EXPECT_EQ(server->getConnectCount(), 2u);
    EXPECT_EQ(server->getAcceptedCount(), 2u);
}

TEST(ztNetServer, connectionsOutliveTheServerOnlyAsLongAsTheyAreHeld) {
    auto server = startServer(62);
    ASSERT_TRUE(server);
    auto client = connectTo(62);
    ASSERT_TRUE(eventually([&] { return server->getConnections().size() == 1; }));
    std::shared_ptr<ztNetObjectHandler> held = server->getConnections().front();
    server.reset();
    // The server asked it to stop; the client sees the connection go.
    EXPECT_TRUE(eventually([&] { return !client->isConnected(); }));
    EXPECT_FALSE(held->isConnected());
}

// Clients that connect and never start their handshake hold up nobody else; past the
// bound on handshakes in progress, new connections are closed at once.
TEST(ztNetServer, silentClientsHoldUpOnlyThemselves) {
    ztNetServer::Settings settings = serverSettings(63);
    settings.itsHandshakeTimeoutMs = 8000;
    settings.itsMaxPendingHandshakes = 2;
    auto server = startServer(settings);
    ASSERT_TRUE(server);
    auto first = std::make_unique<RawPeer>();
    auto second = std::make_unique<RawPeer>();
    ASSERT_TRUE(first->openSilent(63));
    ASSERT_TRUE(second->openSilent(63));
    RawPeer third;
    ASSERT_TRUE(third.openSilent(63));
    EXPECT_TRUE(third.closedWithin(4000)) << "a third handshake was let in";
    EXPECT_FALSE(first->closedWithin(200)) << "a pending handshake was cut short";
    // Once they give up, a real client gets through.
    first.reset();
    second.reset();
    // Until the server has seen them go, it may still close a newcomer.
    EXPECT_TRUE(eventually([] {
        try {
            return connectTo(63) != nullptr;
        } catch (const ztException&) {
            return false;
        }
    }));

    // With room for many, a real client completes its handshake (2 s) while the two silent
    // ones still wait (8 s): handshakes do not queue behind each other.
    auto roomy = serverSettings(64);
    roomy.itsHandshakeTimeoutMs = 8000;
    auto other = startServer(roomy);
    ASSERT_TRUE(other);
    RawPeer silentA, silentB;
    ASSERT_TRUE(silentA.openSilent(64));
    ASSERT_TRUE(silentB.openSilent(64));
    EXPECT_NE(connectTo(64), nullptr);
}

// A handshake thread that finished waits for the next connection and takes it: with room
// for one handshake at a time, clients one after the other get through without waiting for
// that thread to end, and a server whose threads wait for work ends at once.
TEST(ztNetServer, handshakeThreadsTakeTheNextConnections) {
    ztNetServer::Settings settings = serverSettings(65);
    settings.itsMaxPendingHandshakes = 1;
    auto server = startServer(settings);
    ASSERT_TRUE(server);
    const auto connects = [] {
        try {
            return connectTo(65) != nullptr;
        } catch (const ztException&) {
            return false;
        }
    };
    const uint64_t start = zt::platform::monotonicMillis();
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        // The thread goes back to waiting just after the client sees its Connect answered.
        EXPECT_TRUE(eventually(connects));
    }
    // A waiting thread counted as a handshake in progress would close each next client
    // until it ended (2 s).
    EXPECT_LT(zt::platform::monotonicMillis() - start, 4000u);
    EXPECT_EQ(server->getAcceptedCount(), 5u);

    const uint64_t ending = zt::platform::monotonicMillis();
    server.reset();
    EXPECT_LT(zt::platform::monotonicMillis() - ending, 1500u)
        << "a waiting handshake thread held up the end";
}
