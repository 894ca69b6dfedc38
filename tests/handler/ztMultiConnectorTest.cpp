// connectToAnyServer over names that the resolver seam maps to loopback addresses: some
// refuse, some answer "not ready", one is ready; rounds and the total time are shortened.
#include "netobjects/ztMultiConnector.h"

#include "handler/ztHandlerTestSupport.h"
#include "net/ztNetTestSupport.h"
#include "ztTestWaits.h"
#include "threads/ztSingleEvent.h"

#include <gtest/gtest.h>

#include <map>
#include <mutex>

using namespace zt::handlertest;

namespace {

// Rounds of 100 ms within 600 ms in all.
ztConnectSettings raceSettings() {
    ztConnectSettings settings = quickSettings();
    settings.itsRoundMs = 100;
    settings.itsTotalMs = 600;
    return settings;
}

// Resolves the names of a test to the addresses it chose.
zt::test::ResolverScope resolving(std::map<std::string, std::vector<ztIPv6>> inNames) {
    return zt::test::ResolverScope([names = std::move(inNames)](const std::string& inName) {
        const auto found = names.find(inName);
        return found == names.end() ? std::vector<ztIPv6>() : found->second;
    });
}

ztNetServer::Settings readiness(uint8_t inLast, bool inNotReady, const char* inText) {
    ztNetServer::Settings settings = serverSettings(inLast);
    settings.itsAnswer.itsNotReady = inNotReady;
    settings.itsAnswer.itsTextC = inText;
    return settings;
}

// A listener that takes connections and either drops them at once (the handshake fails) or
// keeps them without a word (the handshake waits), counting them.
class RawListener {
public:
    RawListener(uint8_t inLast, bool inKeepSilent) : itsListener(50, nullptr) {
        EXPECT_EQ(itsListener.startListen(kPort, loopback(inLast)), ztErr_noError);
        itsThread = std::thread([this, inKeepSilent] {
            while (!itsStop) {
                std::unique_ptr<ztNetEndpoint> accepted = itsListener.accept();
                if (!accepted)
                    continue;
                ++itsAccepted;
                if (inKeepSilent)
                    itsKept.push_back(std::move(accepted));
            }
        });
    }
    ~RawListener() {
        itsStop = true;
        itsThread.join();
    }
    int accepted() const { return itsAccepted.load(); }

private:
    ztTCPEndpoint itsListener;
    std::vector<std::unique_ptr<ztNetEndpoint>> itsKept;
    std::atomic<bool> itsStop{false};
    std::atomic<int> itsAccepted{0};
    std::thread itsThread;
};

using zt::test::thrownBy;

std::unique_ptr<ztNetObjectHandler> connectToGroup(const std::string& inName,
                                                   ztConnectAnswer& outAnswer,
                                                   ztEvent* inCancel = nullptr,
                                                   ztConnectSettings inSettings = raceSettings()) {
    return connectToAnyServer(inName, ztIPv6(), kPort, "group", inCancel, 0, nullptr, outAnswer,
                              true, inSettings);
}

} // namespace

TEST(ztMultiConnector, firstReadyServerIsTaken) {
    // .90 refuses, .91 is not ready, .92 is ready.
    auto notReady = startServer(readiness(91, true, "not ready"));
    auto ready = startServer(readiness(92, false, "ready"));
    ASSERT_TRUE(notReady && ready);
    const auto scope = resolving({{"group.test", {loopback(90), loopback(91), loopback(92)}}});
    ztConnectAnswer answer;
    auto handler = connectToGroup("group.test", answer);
    ASSERT_TRUE(handler);
    EXPECT_TRUE(handler->isConnected());
    EXPECT_EQ(handler->getServerAddress(), loopback(92));
    EXPECT_EQ(answer.itsTextC, "ready");
    EchoRequest echo(Bytes{1});
    handler->performRequest(echo);
    // The other attempts are gone.
    EXPECT_TRUE(eventually([&] { return notReady->getConnections().empty(); }));
}

TEST(ztMultiConnector, notReadyServerIsAskedAgainOverItsConnectionUntilReady) {
    RawListener refusing(93, false);
    auto server = startServer(readiness(94, true, "busy"));
    ASSERT_TRUE(server);
    // Ready from the second Connect on.
    std::thread turnReady([&] {
        eventually([&] { return server->getConnectCount() >= 1; });
        ztConnectAnswer ready = server->getAnswer();
        ready.itsNotReady = false;
        ready.itsTextC = "now ready";
        server->setAnswer(ready);
    });
    const auto scope = resolving({{"group.test", {loopback(93), loopback(94)}}});
    ztConnectAnswer answer;
    std::unique_ptr<ztNetObjectHandler> handler;
    const ztErrorMessage error = thrownBy([&] { handler = connectToGroup("group.test", answer); });
    turnReady.join();
    EXPECT_EQ(error.getErrorValue(), ztErr_noError);
    ASSERT_TRUE(handler);
    EXPECT_EQ(answer.itsTextC, "now ready");
    EXPECT_FALSE(answer.itsNotReady);
    // Asked twice over one connection.
    EXPECT_EQ(server->getConnectCount(), 2u);
    EXPECT_EQ(server->getAcceptedCount(), 1u);
}

TEST(ztMultiConnector, serverThatIsNeverReadyIsNeverTaken) {
    auto first = startServer(readiness(95, true, "busy"));
    auto second = startServer(readiness(96, true, "busy"));
    ASSERT_TRUE(first && second);
    const auto scope = resolving({{"group.test", {loopback(95), loopback(96)}}});
    ztConnectAnswer answer;
    const ztErrorMessage error = thrownBy([&] { connectToGroup("group.test", answer); });
    EXPECT_EQ(error.getErrorValue(), ztErr_connectFailed);
    EXPECT_EQ(error.getText(), "Unable to connect to the server \"group\".");
    // Each was asked more than once, over the connection it gave.
    EXPECT_GE(first->getConnectCount(), 2u);
    EXPECT_GE(second->getConnectCount(), 2u);
    EXPECT_EQ(first->getAcceptedCount(), 1u);
    EXPECT_TRUE(answer.itsTextC.empty());
}

TEST(ztMultiConnector, silentAddressesAreTriedAgainEachRoundUntilTheTotalTime) {
    RawListener a(97, false);
    RawListener b(98, false);
    RawListener c(99, false);
    const auto scope = resolving({{"group.test", {loopback(97), loopback(98), loopback(99)}}});
    ztConnectAnswer answer;
    ztErrorMessage error;
    const uint64_t millis = zt::test::millisOf(
        [&] { error = thrownBy([&] { connectToGroup("group.test", answer); }); });
    EXPECT_EQ(error.getErrorValue(), ztErr_connectFailed);
    EXPECT_GE(millis, 600u);
    EXPECT_LT(millis, 2500u);
    // A new attempt every 100 ms for 600 ms: about six each.
    for (const RawListener* listener : {&a, &b, &c}) {
        EXPECT_GE(listener->accepted(), 3);
        EXPECT_LE(listener->accepted(), 8);
    }
}

TEST(ztMultiConnector, cancelEventEndsTheCallWithinOneWait) {
    RawListener a(100, true);
    RawListener b(101, true);
    RawListener c(102, true);
    const auto scope = resolving({{"group.test", {loopback(100), loopback(101), loopback(102)}}});
    ztSingleEvent cancel;
    ztConnectSettings settings = raceSettings();
    settings.itsRoundMs = 5000;
    settings.itsTotalMs = 60000;
    std::thread canceller([&] {
        eventually([&] { return a.accepted() + b.accepted() + c.accepted() == 3; });
        cancel.set();
    });
    ztConnectAnswer answer;
    ztErrorMessage error;
    const uint64_t millis = zt::test::millisOf([&] {
        error = thrownBy([&] { connectToGroup("group.test", answer, &cancel, settings); });
    });
    canceller.join();
    EXPECT_EQ(error.getErrorValue(), ztErr_cancelled);
    EXPECT_TRUE(error.getTemplate().empty());
    EXPECT_LT(millis, 2000u);
}

TEST(ztMultiConnector, singleAddressBehavesLikeADirectConnect) {
    const auto scope = resolving({{"one.test", {loopback(103)}}, {"none.test", {}}});
    ztConnectAnswer answer;
    // Nothing listens yet: the error of the plain connect, with the name for messages.
    ztErrorMessage error = thrownBy([&] { connectToGroup("one.test", answer); });
    EXPECT_EQ(error.getErrorValue(), ztErr_connectFailed);
    EXPECT_EQ(error.getText(), "Unable to connect to the server \"group\".");
    error = thrownBy([&] { connectToGroup("none.test", answer); });
    EXPECT_EQ(error.getErrorValue(), ztErr_hostNotFound);
    EXPECT_EQ(error.getText(), "Unable to locate the server \"group\".");

    auto server = startServer(103);
    ASSERT_TRUE(server);
    auto handler = connectToGroup("one.test", answer);
    EXPECT_TRUE(handler->isConnected());
    // An address literal needs no look-up, and neither does a set address value.
    auto literal = connectToGroup(loopbackText(103), answer);
    EXPECT_TRUE(literal->isConnected());
    auto direct = connectToAnyServer("ignored", loopback(103), kPort, "group", nullptr, 0, nullptr,
                                     answer, true, raceSettings());
    EXPECT_TRUE(direct->isConnected());
}

TEST(ztMultiConnector, oneIPv4AndOneIPv6AddressAreTriedInTurnByName) {
    auto server = startServer(104);
    ASSERT_TRUE(server);
    // Nothing of this test listens on ::1, so that address fails first.
    const auto scope = resolving({{"dual.test", {ztIPv6("::1"), loopback(104)}}});
    ztConnectAnswer answer;
    auto handler = connectToGroup("dual.test", answer);
    ASSERT_TRUE(handler);
    EXPECT_EQ(handler->getServerAddress(), loopback(104));
    EXPECT_EQ(server->getAcceptedCount(), 1u);
}

TEST(ztMultiConnector, nameServerThatDoesNotAnswerIsGivenUpOn) {
    zt::test::HangingResolver hanging;
    const zt::test::ResolverScope scope(hanging.resolver());
    ztConnectSettings settings = raceSettings();
    settings.itsTimeoutMs = 200;
    ztConnectAnswer answer;
    ztErrorMessage error;
    const uint64_t millis = zt::test::millisOf(
        [&] { error = thrownBy([&] { connectToGroup("slow.test", answer, nullptr, settings); }); });
    EXPECT_EQ(error.getErrorValue(), ztErr_hostNotFound);
    EXPECT_LT(millis, 2000u);

    ztSingleEvent cancel;
    cancel.set();
    error = thrownBy([&] { connectToGroup("slow.test", answer, &cancel, settings); });
    EXPECT_EQ(error.getErrorValue(), ztErr_cancelled);
    hanging.release();
    EXPECT_TRUE(hanging.waitForReturns(2, 2000));
}
