// The net object handler between an in-process client and accepting server over loopback:
// the handshake as both sides allow it, objects of every size both ways, cancel, time-outs,
// keep-alives and the dead peer, a peer that goes away, reference ids, refusals and error
// reports, the version check, and requests whose owners give up on them.
#include "netobjects/ztNetObjectHandler.h"

#include "handler/ztHandlerTestSupport.h"
#include "messages/ztMessageTexts.h"
#include "net/ztNetTestSupport.h"
#include "ztTestWaits.h"
#include "net/ztSecureTCPEndpoint.h"
#include "netobjects/ztNetReqConnect.h"
#include "netobjects/ztProgress.h"
#include "threads/ztSingleEvent.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <stdexcept>

using namespace zt::handlertest;

namespace {

// Sends inRequest and waits up to 10 s for its final status.
bool sendAndWait(ztNetObjectHandler& ioHandler, ztNetRequest& ioRequest) {
    ioRequest.send(&ioHandler);
    return ioRequest.waitForCompletion(10000);
}

using zt::test::thrownBy;

class CountingProgress : public ztProgress {
public:
    void step() override { ++itsSteps; }
    int itsSteps = 0;
};

// Connects a client endpoint (neither encryption nor compression) to a peer played by hand
// on 127.0.2.N, which answers the hello and afterwards does only what the test does.
std::unique_ptr<ztNetEndpoint> acceptPlain(uint8_t inLast, ztTCPEndpoint& ioListener,
                                           std::unique_ptr<ztSecureTCPEndpoint>& outClient) {
    EXPECT_EQ(ioListener.startListen(kPort, loopback(inLast)), ztErr_noError);
    outClient = std::make_unique<ztSecureTCPEndpoint>(3000, nullptr, false);
    outClient->setEncrypt(false);
    std::unique_ptr<ztNetEndpoint> accepted;
    zt::test::PeerThread peer([&] {
        accepted = ioListener.accept();
        uint8_t hello[10] = {};
        const uint8_t reply[10] = {'Z', 'T', 'S', 'L', 1, 0, 0, 0, 0, 0};
        if (accepted && accepted->readFully(hello, sizeof hello) == ztErr_noError)
            accepted->write(reply, sizeof reply);
    });
    EXPECT_EQ(outClient->connect(loopback(inLast), kPort), ztErr_noError);
    peer.join();
    return accepted;
}

} // namespace

TEST(ztNetObjectHandler, handshakeGivesWhatBothSidesAllow) {
    struct Row {
        const char* name;
        bool clientEncrypt, serverEncrypt, clientCompress, serverCompress;
    };
    const Row rows[] = {
        {"both granted", true, true, true, true},
        {"encryption refused by the server", true, false, true, true},
        {"compression refused by the server", true, true, true, false},
        {"neither asked for", false, true, false, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ztNetServer::Settings settings = serverSettings(1);
        settings.itsEncrypt = row.serverEncrypt;
        settings.itsCompress = row.serverCompress;
        auto server = startServer(settings);
        ASSERT_TRUE(server);
        ztConnectSettings connect = quickSettings();
        connect.itsEncrypt = row.clientEncrypt;
        ztConnectAnswer answer;
        auto client = connectTo(1, answer, row.clientCompress, connect);
        const auto* endpoint = dynamic_cast<const ztSecureTCPEndpoint*>(client->getNetEndpoint());
        ASSERT_NE(endpoint, nullptr);
        EXPECT_EQ(endpoint->isEncrypted(), row.clientEncrypt && row.serverEncrypt);
        EXPECT_EQ(client->isCompressing(), row.clientCompress && row.serverCompress);
        // Compressible and random bodies both come back whole.
        EchoRequest text(Bytes(50000, 'a'));
        ASSERT_TRUE(sendAndWait(*client, text));
        EXPECT_TRUE(text.succeeded());
        EXPECT_EQ(text.itsAnswer, text.itsBody);
        EchoRequest random(patternBytes(50000));
        ASSERT_TRUE(sendAndWait(*client, random));
        EXPECT_EQ(random.itsAnswer, random.itsBody);
    }
}

TEST(ztNetObjectHandler, connectHandsTheAnswerToTheCallerAndAdvancesProgress) {
    ztNetServer::Settings settings = serverSettings(2);
    settings.itsAnswer = {7, true, 3, "central", 4, "e", false, 0x01020304, false, "inst", true};
    auto server = startServer(settings);
    ASSERT_TRUE(server);
    ztConnectAnswer answer;
    CountingProgress progress;
    auto client = ztNetObjectHandler::connectToServer(ztIPv6(), kPort, loopbackText(2), nullptr, 7,
                                                      &progress, answer, true, quickSettings());
    ASSERT_TRUE(client);
    EXPECT_TRUE(client->isConnected());
    EXPECT_EQ(answer, settings.itsAnswer);
    EXPECT_EQ(progress.itsSteps, 4);
    EXPECT_EQ(server->getConnectCount(), 1u);
    EXPECT_EQ(client->getServerAddress(), loopback(2));
}

// Sending threads write their own one-packet requests, or (off) leave every packet to the
// handler thread: both ways must carry the same objects.
class ztNetObjectHandlerSends : public ::testing::TestWithParam<bool> {};

INSTANTIATE_TEST_SUITE_P(DirectOrQueued, ztNetObjectHandlerSends, ::testing::Bool(),
                         [](const auto& inInfo) { return inInfo.param ? "direct" : "queued"; });

// The two variants may run at once: each has a server address of its own.
uint8_t addressFor(uint8_t inLast, bool inDirect) {
    return static_cast<uint8_t>(inDirect ? inLast : inLast + 30);
}

TEST_P(ztNetObjectHandlerSends, objectsOfEverySizeTravelBothWays) {
    auto server = startServer(addressFor(3, GetParam()));
    ASSERT_TRUE(server);
    ztConnectAnswer answer;
    auto client = connectTo(addressFor(3, GetParam()), answer);
    client->setDirectSends(GetParam());
    client->setFactory(kPingType, [] { return std::make_unique<EchoResponse>(kPingType); });
    client->setAuthority(true);
    ASSERT_TRUE(eventually([&] { return server->getConnections().size() == 1; }));
    const std::shared_ptr<ztNetObjectHandler> serverSide = server->getConnections().front();
    serverSide->setDirectSends(GetParam());

    // Around the 30000 bytes that fit in one packet, and a body of many packets.
    const size_t sizes[] = {0, 1, 29999, 30000, 30001, 90000, 3 * 1024 * 1024 + 17};
    for (const size_t size : sizes) {
        SCOPED_TRACE(size);
        EchoRequest fromClient(patternBytes(size, static_cast<uint32_t>(size)));
        ASSERT_TRUE(sendAndWait(*client, fromClient));
        EXPECT_TRUE(fromClient.succeeded());
        EXPECT_EQ(fromClient.itsAnswer, fromClient.itsBody);

        EchoRequest fromServer(patternBytes(size, static_cast<uint32_t>(size + 1)), kPingType);
        ASSERT_TRUE(sendAndWait(*serverSide, fromServer));
        EXPECT_TRUE(fromServer.succeeded());
        EXPECT_EQ(fromServer.itsAnswer, fromServer.itsBody);
    }
    // A type that needs the extended header.
    EchoRequest wide(patternBytes(100), kWideEchoType);
    client->performRequest(wide);
    EXPECT_EQ(wide.itsAnswer, wide.itsBody);
}

TEST_P(ztNetObjectHandlerSends, requestsInFlightInterleaveAndEachGetsItsOwnAnswer) {
    auto server = startServer(addressFor(4, GetParam()));
    ASSERT_TRUE(server);
    auto client = connectTo(addressFor(4, GetParam()));
    client->setDirectSends(GetParam());
    std::vector<std::unique_ptr<EchoRequest>> requests;
    for (uint32_t i = 0; i < 40; ++i) {
        // Large ones among small ones: the large are sent a packet per round.
        const size_t size = (i % 5 == 0) ? 200000 + i : 10 + i;
        requests.push_back(std::make_unique<EchoRequest>(patternBytes(size, i)));
        requests.back()->send(client.get());
    }
    for (const auto& request : requests) {
        ASSERT_TRUE(request->waitForCompletion(10000));
        EXPECT_TRUE(request->succeeded());
        EXPECT_EQ(request->itsAnswer, request->itsBody);
        EXPECT_EQ(request->getRefId(), 0);
    }
}

TEST(ztNetObjectHandler, cancelFinishesTheRequestAndReachesTheServer) {
    auto counts = std::make_shared<ObjectCounts>();
    ztNetServer::Settings settings = serverSettings(5);
    settings.itsFactories = testFactories(counts);
    auto server = startServer(settings);
    ASSERT_TRUE(server);
    auto client = connectTo(5);

    EchoRequest held(Bytes{1, 2, 3}, kHoldType);
    held.send(client.get());
    ASSERT_TRUE(eventually([&] { return counts->created.load() == 1; }));
    EXPECT_FALSE(held.waitForCompletion(50));
    held.cancel();
    ASSERT_TRUE(held.waitForCompletion(2000));
    EXPECT_EQ(held.getStatus(), ztNetStatus::cancelled);
    EXPECT_EQ(held.getRefId(), 0);
    // The server's object is cancelled and deleted; the connection goes on.
    EXPECT_TRUE(eventually([&] { return counts->destroyed.load() == 1; }));
    EXPECT_EQ(counts->cancelled.load(), 1);
    // Cancelling what is complete does nothing.
    held.cancel();
    EXPECT_EQ(held.getStatus(), ztNetStatus::cancelled);
    EchoRequest echo(Bytes{9});
    client->performRequest(echo);
    EXPECT_EQ(echo.itsAnswer, Bytes{9});
}

TEST(ztNetObjectHandler, connectTimesOutWhenTheServerNeverAnswers) {
    ztNetServer::Settings settings = serverSettings(6);
    // The server takes the Connect but answers only after a minute.
    settings.itsFactories[2] = [] { return std::make_unique<EchoResponse>(2, 60000); };
    auto server = startServer(settings);
    ASSERT_TRUE(server);
    ztConnectSettings connect = quickSettings();
    connect.itsTimeoutMs = 300;
    ztConnectAnswer answer;
    ztErrorMessage error;
    const uint64_t millis =
        zt::test::millisOf([&] { error = thrownBy([&] { connectTo(6, answer, true, connect); }); });
    EXPECT_EQ(error.getErrorValue(), ztErr_connectFailed);
    EXPECT_EQ(error.getText(), "Unable to connect to the server \"test server\".");
    EXPECT_LT(millis, 3000u);
}

TEST(ztNetObjectHandler, keepAlivesKeepAnIdleConnectionUp) {
    ztNetServer::Settings settings = serverSettings(7);
    settings.itsKeepAliveInterval = 50;
    settings.itsDeadPeerLimit = 300;
    auto server = startServer(settings);
    ASSERT_TRUE(server);
    ztConnectSettings connect = quickSettings();
    connect.itsKeepAliveInterval = 50;
    connect.itsDeadPeerLimit = 300;
    ztConnectAnswer answer;
    auto client = connectTo(7, answer, true, connect);
    EXPECT_EQ(client->getKeepAliveInterval(), 50u);
    EXPECT_EQ(client->getDeadPeerLimit(), 300u);
    // Several dead-peer limits of silence but for the keep-alives.
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    EXPECT_TRUE(client->isConnected());
    ASSERT_EQ(server->getConnections().size(), 1u);
    EXPECT_TRUE(server->getConnections().front()->isConnected());
    EchoRequest echo(Bytes{1});
    client->performRequest(echo);
}

TEST(ztNetObjectHandler, keepAliveGoesOutAfterEachIntervalOfSilence) {
    ztNetServer::Settings settings = serverSettings(8);
    settings.itsKeepAliveInterval = 100;
    auto server = startServer(settings);
    ASSERT_TRUE(server);
    RawPeer peer;
    const uint64_t opened = zt::platform::monotonicMillis();
    ASSERT_TRUE(peer.open(8));
    // Four keep-alives, each after 100 ms of silence: the fourth cannot come before 400 ms,
    // and however late the machine wakes, they keep coming.
    int keepAlives = 0;
    const uint64_t deadline = opened + 10000;
    while (keepAlives < 4 && zt::platform::monotonicMillis() < deadline) {
        ztNetObjectHeader header;
        Bytes data;
        if (peer.readPacket(header, data, 50) != ztErr_noError)
            continue;
        EXPECT_EQ(header, ztNetObjectHeader::keepAlive());
        EXPECT_TRUE(data.empty());
        ++keepAlives;
    }
    EXPECT_EQ(keepAlives, 4);
    EXPECT_GE(zt::platform::monotonicMillis() - opened, 390u);
}

TEST(ztNetObjectHandler, keepAliveIsAnsweredOnlyWhenThePeerAsksWithTheOwnFlag) {
    auto server = startServer(9);
    ASSERT_TRUE(server);
    RawPeer peer;
    ASSERT_TRUE(peer.open(9));
    ztNetObjectHeader header;
    Bytes data;
    ASSERT_EQ(peer.writePacket(ztNetObjectHeader::keepAlive()), ztErr_noError);
    EXPECT_EQ(peer.readPacket(header, data, 300), ztErr_timeout);
    ASSERT_EQ(peer.writePacket(ztNetObjectHeader(0, 0, 0x09, 0)), ztErr_noError);
    ASSERT_EQ(peer.readPacket(header, data), ztErr_noError);
    EXPECT_EQ(header, ztNetObjectHeader::keepAlive());
    EXPECT_EQ(peer.readPacket(header, data, 300), ztErr_timeout);
}

TEST(ztNetObjectHandler, silentPeerEndsTheConnectionAfterTheDeadPeerLimit) {
    ztNetServer::Settings settings = serverSettings(10);
    settings.itsKeepAliveInterval = 100;
    settings.itsDeadPeerLimit = 300;
    auto server = startServer(settings);
    ASSERT_TRUE(server);
    RawPeer peer;
    // Timed from before the connection exists: the server's clock starts at its accept,
    // and a slow build may take long to see the connection listed.
    const uint64_t opened = zt::platform::monotonicMillis();
    ASSERT_TRUE(peer.open(10));
    ASSERT_TRUE(eventually([&] { return server->getConnections().size() == 1; }));
    const std::shared_ptr<ztNetObjectHandler> serverSide = server->getConnections().front();
    EXPECT_TRUE(peer.closedWithin(3000));
    EXPECT_GE(zt::platform::monotonicMillis() - opened, 250u);
    ASSERT_TRUE(eventually([&] { return !serverSide->isConnected(); }));
    serverSide->wait(false);
    EXPECT_EQ(serverSide->getHandlerError().getErrorValue(), ztErr_handlerNotRunning);
    EXPECT_EQ(serverSide->getHandlerError().getText(),
              "Unable to complete operation. Netobject handler not running.");
}

TEST(ztNetObjectHandler, peerThatBreaksTheConnectionFailsWhatIsPending) {
    auto server = startServer(11);
    ASSERT_TRUE(server);
    auto client = connectTo(11);
    int stops = 0;
    client->setStopCallback([&](ztNetObjectHandler*) { ++stops; });
    EchoRequest held(Bytes{1}, kHoldType);
    held.send(client.get());
    ASSERT_TRUE(eventually([&] { return server->getConnections().size() == 1; }));
    server->closeConnections();

    ASSERT_TRUE(held.waitForCompletion(5000));
    EXPECT_EQ(held.getStatus(), ztNetStatus::cancelled);
    EXPECT_EQ(held.getError(), ztErr_netReadWrite);
    EXPECT_EQ(held.getErrorMessage().getText(), "Network connection was unexpectedly broken.");
    ASSERT_TRUE(eventually([&] { return !client->isConnected(); }));
    client->wait(false);
    EXPECT_EQ(stops, 1);
    // Later requests are refused at once; a new connection works.
    EchoRequest late(Bytes{2});
    const ztErrorMessage refused = thrownBy([&] { client->performRequest(late); });
    EXPECT_EQ(refused.getErrorValue(), ztErr_handlerNotRunning);
    EXPECT_EQ(late.getStatus(), ztNetStatus::cancelled);
    auto again = connectTo(11);
    EchoRequest echo(Bytes{3});
    again->performRequest(echo);
    EXPECT_EQ(echo.itsAnswer, Bytes{3});
}

TEST(ztNetObjectHandler, idsWrapAfter65534SkippingThoseInUse) {
    auto server = startServer(12);
    ASSERT_TRUE(server);
    auto client = connectTo(12); // the Connect had id 1
    EXPECT_EQ(client->getLastId(), 1);
    std::vector<std::unique_ptr<EchoRequest>> held;
    for (uint16_t expected = 2; expected <= 4; ++expected) {
        held.push_back(std::make_unique<EchoRequest>(Bytes{1}, kHoldType));
        held.back()->send(client.get());
        EXPECT_EQ(held.back()->getRefId(), expected);
    }
    // Ids 5 to 65534, many requests in flight at a time.
    std::deque<std::unique_ptr<EchoRequest>> window;
    for (uint32_t sent = 0; sent < 65530; ++sent) {
        if (window.size() == 64) {
            ASSERT_TRUE(window.front()->waitForCompletion(10000));
            ASSERT_TRUE(window.front()->succeeded());
            window.pop_front();
        }
        window.push_back(std::make_unique<EchoRequest>(Bytes{}));
        window.back()->send(client.get());
    }
    for (const auto& request : window)
        ASSERT_TRUE(request->waitForCompletion(10000));
    EXPECT_EQ(client->getLastId(), 65534);
    // The 65535th request gets 1 again; the next skips 2 to 4, which are held.
    EchoRequest wrapped(Bytes{1}, kHoldType);
    wrapped.send(client.get());
    EXPECT_EQ(wrapped.getRefId(), 1);
    EchoRequest skipping(Bytes{1}, kHoldType);
    skipping.send(client.get());
    EXPECT_EQ(skipping.getRefId(), 5);
}

TEST(ztNetObjectHandler, peerObjectsThatCannotBeServedAreRefusedAndTheConnectionStaysUp) {
    struct Row {
        const char* name;
        uint16_t type;
        bool authority;
        bool incomingDisabled;
        ztErr error;
        const char* text;
    };
    const Row rows[] = {
        {"unsupported type", kUnservedType, true, false, ztErr_requestNotSupported,
         "Request of type \"77\" is not supported. The server and the client might be "
         "incompatible."},
        {"no authority", kEchoType, false, false, ztErr_invalidAuthority,
         "Invalid authority for user \"ztNetServer\"."},
        {"incoming requests disabled", kEchoType, true, true, ztErr_incomingDisabled,
         ztText::incomingDisabled},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ztNetServer::Settings settings = serverSettings(13);
        settings.itsAuthority = row.authority;
        auto server = startServer(settings);
        ASSERT_TRUE(server);
        server->setConnectionCallback([&](ztNetObjectHandler& ioHandler) {
            ioHandler.setIncomingDisabled(row.incomingDisabled);
        });
        auto client = connectTo(13); // Connect needs no authority
        EchoRequest refused(Bytes{1}, row.type);
        const ztErrorMessage error = thrownBy([&] { client->performRequest(refused); });
        EXPECT_EQ(error.getErrorValue(), row.error);
        EXPECT_EQ(error.getText(), row.text);
        EXPECT_EQ(refused.getStatus(), ztNetStatus::failed);
        EXPECT_TRUE(client->isConnected());
        ztConnectAnswer answer;
        ztNetReqConnect connect(answer);
        client->performRequest(connect);
        EXPECT_EQ(answer.itsServerVersion, 7);
    }
}

TEST(ztNetObjectHandler, serverErrorReachesTheCallerWithItsText) {
    auto server = startServer(14);
    ASSERT_TRUE(server);
    auto client = connectTo(14);
    EchoRequest failing(Bytes{1}, kFailType);
    const ztErrorMessage error = thrownBy([&] { client->performRequest(failing); });
    EXPECT_EQ(error.getErrorValue(), FailResponse::kError);
    EXPECT_EQ(error.getTemplate(), "Refused \"$x\" here");
    EXPECT_EQ(error.getParam('x'), "the value");
    EXPECT_EQ(failing.getStatus(), ztNetStatus::failed);
    EXPECT_EQ(failing.getRefId(), 0);
}

TEST(ztNetObjectHandler, versionCheckComparesWithTheExpectedVersion) {
    struct Row {
        const char* name;
        uint16_t expected;
        ztErr error;
        const char* text;
    };
    const Row rows[] = {
        {"equal", 7, ztErr_noError, ""},
        {"not checked", 0, ztErr_noError, ""},
        {"server newer", 6, ztErr_versionMismatch,
         "The server is a newer version. Please download a new program from Tarvel."},
        {"server older", 8, ztErr_versionMismatch,
         "The client is a newer version than the server \"test server\". Please download a new "
         "program from Tarvel."},
    };
    auto server = startServer(15);
    ASSERT_TRUE(server);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ztConnectAnswer answer;
        const ztErrorMessage error =
            thrownBy([&] { connectTo(15, answer, true, quickSettings(), row.expected); });
        EXPECT_EQ(error.getErrorValue(), row.error);
        EXPECT_EQ(error.getText(), row.text);
    }
    // Refused connections are gone on the server's side too.
    EXPECT_TRUE(eventually([&] { return server->getConnections().empty(); }));
}

TEST(ztNetObjectHandler, serverWithTooManyConnectionsIsReportedAsSuch) {
    ztNetServer::Settings settings = serverSettings(16);
    settings.itsConnectRefusal = ztErr_tooManyConnections;
    auto server = startServer(settings);
    ASSERT_TRUE(server);
    ztConnectAnswer answer;
    const ztErrorMessage error = thrownBy([&] { connectTo(16, answer); });
    EXPECT_EQ(error.getErrorValue(), ztErr_tooManyConnections);
    EXPECT_EQ(error.getText(),
              "Unable to connect to the server \"test server\". Too many open connections.");
}

TEST(ztNetObjectHandler, connectFailuresCarryTheServerName) {
    ztConnectAnswer answer;
    // Nothing listens on .17.
    ztErrorMessage error = thrownBy([&] { connectTo(17, answer); });
    EXPECT_EQ(error.getErrorValue(), ztErr_connectFailed);
    EXPECT_EQ(error.getText(), "Unable to connect to the server \"test server\".");
    {
        zt::test::ResolverScope noAddress([](const std::string&) { return std::vector<ztIPv6>(); });
        error = thrownBy([&] {
            ztNetObjectHandler::connectToServer(ztIPv6(), kPort, "nowhere.test", nullptr, 0,
                                                nullptr, answer, true, quickSettings());
        });
        EXPECT_EQ(error.getErrorValue(), ztErr_hostNotFound);
        EXPECT_EQ(error.getText(), "Unable to locate the server \"nowhere.test\".");
    }
    auto server = startServer(17);
    ASSERT_TRUE(server);
    ztSingleEvent cancel;
    cancel.set();
    error = thrownBy([&] {
        ztNetObjectHandler::connectToServer(loopback(17), kPort, "test server", &cancel, 0, nullptr,
                                            answer, true, quickSettings());
    });
    EXPECT_EQ(error.getErrorValue(), ztErr_cancelled);
    EXPECT_TRUE(error.getTemplate().empty());
}

TEST(ztNetObjectHandler, serverThatClosesRightAfterTheHandshakeIsAConnectFailure) {
    // A server short of descriptors accepts, answers the hello and closes at once. Whether
    // the handler has noticed by the time the Connect goes out or not, the caller hears
    // that the connection could not be made, naming the server.
    ztTCPEndpoint listener(3000, nullptr);
    ASSERT_EQ(listener.startListen(kPort, loopback(31)), ztErr_noError);
    for (int round = 0; round < 5; ++round) {
        zt::test::PeerThread peer([&] {
            const std::unique_ptr<ztNetEndpoint> accepted = listener.accept();
            uint8_t hello[10] = {};
            const uint8_t reply[10] = {'Z', 'T', 'S', 'L', 1, 0, 0, 0, 0, 0};
            if (accepted && accepted->readFully(hello, sizeof hello) == ztErr_noError) {
                accepted->write(reply, sizeof reply);
                accepted->flush();
            }
            // Closed when it goes out of scope.
        });
        ztConnectSettings settings = quickSettings();
        settings.itsEncrypt = false;
        ztConnectAnswer answer;
        const ztErrorMessage error = thrownBy([&] {
            ztNetObjectHandler::connectToServer(loopback(31), kPort, "test server", nullptr, 0,
                                                nullptr, answer, false, settings);
        });
        EXPECT_EQ(error.getErrorValue(), ztErr_connectFailed) << round << " " << error.getText();
        EXPECT_EQ(error.getText(), "Unable to connect to the server \"test server\".");
    }
}

TEST(ztNetObjectHandler, requestDestroyedWhilePendingIsNeverTouchedAgain) {
    auto counts = std::make_shared<ObjectCounts>();
    ztNetServer::Settings settings = serverSettings(18);
    settings.itsFactories = testFactories(counts, 200);
    auto server = startServer(settings);
    ASSERT_TRUE(server);
    auto client = connectTo(18);
    for (int i = 0; i < 3; ++i) {
        auto abandoned = std::make_unique<EchoRequest>(patternBytes(40000), kHoldType);
        abandoned->send(client.get());
        ASSERT_TRUE(eventually([&] { return counts->created.load() == i + 1; }));
        EXPECT_FALSE(abandoned->waitForCompletion(10));
        abandoned.reset(); // its owner gave up; the answer comes later
    }
    // The server was told: its objects are cancelled rather than answered.
    EXPECT_TRUE(eventually([&] { return counts->destroyed.load() == 3; }));
    EXPECT_EQ(counts->cancelled.load(), 3);
    EchoRequest echo(Bytes{5});
    client->performRequest(echo);
    EXPECT_EQ(echo.itsAnswer, Bytes{5});
}

TEST(ztNetObjectHandler, answerForARequestDestroyedMeanwhileIsOnlyLogged) {
    // A peer played by hand answers a request whose owner is gone.
    ztTCPEndpoint listener(3000, nullptr);
    std::unique_ptr<ztSecureTCPEndpoint> endpoint;
    const std::unique_ptr<ztNetEndpoint> accepted = acceptPlain(19, listener, endpoint);
    ASSERT_TRUE(accepted);
    ztNetPacketLayer serverPackets(accepted.get(), false);

    ztNetObjectHandler client(std::move(endpoint), false);
    client.start();
    auto request = std::make_unique<EchoRequest>(Bytes{1, 2});
    request->send(&client);
    std::vector<uint8_t> buffer;
    uint32_t length = 0;
    ASSERT_EQ(serverPackets.readPacket(buffer, length, 3000), ztErr_noError);
    const uint16_t id = request->getRefId();
    request.reset();
    // The cancel for the forgotten request arrives; the late answer is dropped.
    ASSERT_EQ(serverPackets.readPacket(buffer, length, 3000), ztErr_noError);
    ztNetReader reader(buffer.data() + ztNetPacketLayer::payloadOffset, length);
    ztNetObjectHeader cancel;
    cancel.read(reader);
    EXPECT_EQ(cancel, ztNetObjectHeader(id, kEchoType, ztNetObjectHeader::cancelFlags, 0));
    std::vector<uint8_t> answer =
        RawPeer::frame(RawPeer::payloadOf(ztNetObjectHeader(id, kEchoType, 0x08, 0), {7}));
    ASSERT_EQ(accepted->write(answer.data(), static_cast<uint32_t>(answer.size())), ztErr_noError);
    EchoRequest next(Bytes{3});
    next.send(&client);
    ASSERT_EQ(serverPackets.readPacket(buffer, length, 3000), ztErr_noError);
    EXPECT_TRUE(client.isConnected());
    // The handler files the request back to idle just after its packet went out.
    for (int i = 0; i < 2000 && next.getStatus() != ztNetStatus::idle; ++i)
        zt::platform::sleepMillis(1);
    EXPECT_EQ(next.getStatus(), ztNetStatus::idle);
    client.stopAndWait(0);
    EXPECT_EQ(next.getStatus(), ztNetStatus::cancelled);
}

TEST(ztNetObjectHandler, stopDuringABlockedWriteEndsPromptlyAndCancelsTheRequest) {
    // A peer that completes the handshake and then reads nothing more.
    ztTCPEndpoint listener(3000, nullptr);
    std::unique_ptr<ztSecureTCPEndpoint> endpoint;
    const std::unique_ptr<ztNetEndpoint> accepted = acceptPlain(20, listener, endpoint);
    ASSERT_TRUE(accepted);
    ztNetObjectHandler client(std::move(endpoint), false);
    client.start();
    EchoRequest large(patternBytes(24 * 1024 * 1024));
    large.send(&client);
    // Long enough for the socket buffers to fill and the write to block.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_NE(large.getStatus(), ztNetStatus::complete);
    const uint64_t millis = zt::test::millisOf([&] { client.stopAndWait(0); });
    EXPECT_LT(millis, 2000u);
    EXPECT_EQ(large.getStatus(), ztNetStatus::cancelled);
    EXPECT_EQ(large.getRefId(), 0);
}

TEST(ztNetObjectHandler, stopWhileASendingThreadIsBlockedInItsOwnWriteEndsPromptly) {
    // A peer that completes the handshake and then reads nothing more.
    ztTCPEndpoint listener(3000, nullptr);
    std::unique_ptr<ztSecureTCPEndpoint> endpoint;
    const std::unique_ptr<ztNetEndpoint> accepted = acceptPlain(30, listener, endpoint);
    ASSERT_TRUE(accepted);
    ztNetObjectHandler client(std::move(endpoint), false);
    client.start();
    // One-packet requests, each written by the sending thread, until the socket buffers are
    // full and a write blocks.
    constexpr int kMost = 4000;
    std::vector<std::unique_ptr<EchoRequest>> requests;
    for (int i = 0; i < kMost; ++i)
        requests.push_back(std::make_unique<EchoRequest>(patternBytes(29000, i)));
    std::atomic<int> sent{0};
    zt::test::PeerThread sender([&] {
        for (auto& request : requests) {
            try {
                request->send(&client);
            } catch (const ztException&) {
                return; // the handler stopped
            }
            ++sent;
        }
    });
    int before = -1;
    for (int i = 0; i < 100 && sent.load() != before; ++i) {
        before = sent.load();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ASSERT_LT(sent.load(), kMost) << "the peer's socket never filled";
    const uint64_t millis = zt::test::millisOf([&] { client.stopAndWait(0); });
    EXPECT_LT(millis, 2000u);
    // The blocked write let go: the sending thread's send returned.
    sender.join();
    // Every request that was sent, the one whose write was cut off among them, is finished.
    const int finished = std::min(sent.load() + 1, kMost);
    for (int i = 0; i < finished; ++i)
        EXPECT_EQ(requests[i]->getStatus(), ztNetStatus::cancelled) << i;
}

TEST(ztNetObjectHandler, stoppedHandlerRefusesAndFinishesEverything) {
    auto server = startServer(21);
    ASSERT_TRUE(server);
    auto client = connectTo(21);
    auto other = connectTo(21);
    EchoRequest held(Bytes{1}, kHoldType);
    held.send(client.get());
    // Objects that are not registered with this handler.
    EXPECT_EQ(thrownBy([&] { client->cancel(nullptr); }).getErrorValue(), ztErr_notRegistered);
    EchoRequest elsewhere(Bytes{1}, kHoldType);
    elsewhere.send(other.get());
    EXPECT_EQ(thrownBy([&] { client->cancel(&elsewhere); }).getErrorValue(), ztErr_notRegistered);

    client->stopAndWait(0);
    EXPECT_EQ(held.getStatus(), ztNetStatus::cancelled);
    EXPECT_EQ(held.getRefId(), 0);
    EXPECT_FALSE(client->isConnected());
    EchoRequest late(Bytes{1});
    const ztErrorMessage refused = thrownBy([&] { late.send(client.get()); });
    EXPECT_EQ(refused.getErrorValue(), ztErr_handlerNotRunning);
    EXPECT_EQ(refused.getText(), "Unable to complete operation. Netobject handler not running.");
    EXPECT_EQ(late.getStatus(), ztNetStatus::cancelled);
    // Cancelling after the stop does nothing.
    client->cancel(&held);
    // performRequest passes the refusal on.
    EXPECT_EQ(thrownBy([&] { client->performRequest(late); }).getErrorValue(),
              ztErr_handlerNotRunning);
}

namespace {

// Runs one request through performRequest on a thread of its own.
class RequestThread : public ztThread {
public:
    RequestThread(ztNetObjectHandler& ioHandler, ztNetRequest& ioRequest)
        : itsHandler(ioHandler), itsRequest(ioRequest) {}
    ~RequestThread() override { waitForBodyEnd(); }

    ztErrorMessage itsError;
    std::atomic<bool> itsWaiting{false};

protected:
    void run() override {
        itsWaiting = true;
        itsError = thrownBy([&] { itsHandler.performRequest(itsRequest); });
    }

private:
    ztNetObjectHandler& itsHandler;
    ztNetRequest& itsRequest;
};

} // namespace

TEST(ztNetObjectHandler, performRequestEndsWhenTheCallingThreadIsStopped) {
    auto server = startServer(22);
    ASSERT_TRUE(server);
    auto client = connectTo(22);
    EchoRequest held(Bytes{1}, kHoldType);
    RequestThread caller(*client, held);
    caller.start();
    ASSERT_TRUE(eventually([&] { return held.getRefId() != 0; }));
    caller.stopAndWait(0);
    EXPECT_EQ(caller.itsError.getErrorValue(), ztErr_cancelled);
    EXPECT_EQ(held.getStatus(), ztNetStatus::cancelled);
    EXPECT_TRUE(client->isConnected());
}

TEST(ztNetObjectHandler, peerCancelOfItsObjectIsAcknowledged) {
    auto counts = std::make_shared<ObjectCounts>();
    auto server = startServer(23);
    ASSERT_TRUE(server);
    auto client = connectTo(23);
    client->setAuthority(true);
    client->setFactory(
        kHoldType, [counts] { return std::make_unique<EchoResponse>(kHoldType, 60000, counts); });
    ASSERT_TRUE(eventually([&] { return server->getConnections().size() == 1; }));
    const std::shared_ptr<ztNetObjectHandler> serverSide = server->getConnections().front();
    EchoRequest held(Bytes{1}, kHoldType);
    held.send(serverSide.get());
    ASSERT_TRUE(eventually([&] { return counts->created.load() == 1; }));
    held.cancel();
    ASSERT_TRUE(held.waitForCompletion(2000));
    EXPECT_EQ(held.getStatus(), ztNetStatus::cancelled);
    // The client's object learns of the cancel and is gone; both ends carry on.
    EXPECT_TRUE(eventually([&] { return counts->destroyed.load() == 1; }));
    EXPECT_EQ(counts->cancelled.load(), 1);
    EchoRequest echo(Bytes{4});
    client->performRequest(echo);
    EXPECT_TRUE(serverSide->isConnected());
}

TEST(ztNetObjectHandler, errorConversionAndDefaultTexts) {
    struct Row {
        const char* name;
        std::function<void()> raise;
        ztErr error;
        const char* text;
    };
    const Row rows[] = {
        {"reader past the end", [] { throw std::out_of_range("ztNetReader::getData"); },
         ztErr_unexpectedData, ztText::unexpectedData},
        {"no memory", [] { throw std::bad_alloc(); }, ztErr_noMemory, ztText::noMemory},
        {"other exception", [] { throw std::runtime_error("boom"); }, ztErr_internal,
         "An internal error \"boom\" occurred.  " ZT_NOTIFY_SUPPORT},
        {"protocol error", [] { throw ztException(ztErr_notRegistered, ztText::notRegistered); },
         ztErr_notRegistered, ztText::notRegistered},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ztErrorMessage message;
        try {
            row.raise();
        } catch (const std::exception& inException) {
            ztNetObjectHandler::convertException(inException, message);
        }
        EXPECT_EQ(message.getErrorValue(), row.error);
        EXPECT_EQ(message.getText(), ztErrorMessage(row.error, row.text).getText());
    }
    // A ztException with the value the target has already keeps the target's text.
    ztErrorMessage kept(ztErr_netReadWrite, "kept");
    ztNetObjectHandler::convertException(ztException(ztErr_netReadWrite, "other"), kept);
    EXPECT_EQ(kept.getTemplate(), "kept");

    ztErrorMessage internal(ztErr_internal, "");
    ztNetObjectHandler::fillDefaultText(internal);
    EXPECT_EQ(internal.getText(), "An internal error occurred in \"netobjects/ztNetObjectHandler\" "
                                  "line \"312\".  " ZT_NOTIFY_SUPPORT);
    ztErrorMessage unexpected(ztErr_unexpectedData, "");
    ztNetObjectHandler::fillDefaultText(unexpected);
    EXPECT_EQ(unexpected.getTemplate(), ztText::unexpectedData);
    ztErrorMessage other(ztErr_netReadWrite, "");
    ztNetObjectHandler::fillDefaultText(other);
    EXPECT_TRUE(other.getTemplate().empty());
}
