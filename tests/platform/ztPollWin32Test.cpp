// pollFds on Windows: events, loopback sockets and the message queue in one wait, more
// entries than one system wait takes, and the time-out.
#include "platform/ztPoll.h"

#include "platform/ztEventFd.h"
#include "platform/ztMessageQueue.h"
#include "platform/ztSocket.h"
#include "platform/ztThreadId.h"
#include "platform/ztTickCount.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>
#include <vector>

using namespace zt::platform;

namespace {

// The loopback addresses of these tests.
const std::array<uint8_t, 4> kListenAddress{127, 0, 25, 1};
const std::array<uint8_t, 4> kNobodyAddress{127, 0, 25, 2};
constexpr uint16_t kPort = 1231;

EventFd makeEvent() {
    EventFd event;
    EXPECT_EQ(EventFd::create(event), 0);
    return event;
}

Socket makeListener() {
    Socket listener;
    EXPECT_EQ(
        Socket::create(AddressFamily::ipv4, SocketType::stream, SocketProtocol::tcp, listener), 0);
    EXPECT_EQ(listener.bind(SocketAddress::fromIPv4(kListenAddress, kPort)), 0);
    EXPECT_EQ(listener.listen(4), 0);
    return listener;
}

// Starts a connect to inAddress; the connect goes on in the background.
Socket startConnect(const std::array<uint8_t, 4>& inAddress) {
    Socket client;
    EXPECT_EQ(Socket::create(AddressFamily::ipv4, SocketType::stream, SocketProtocol::tcp, client),
              0);
    const int error = client.connect(SocketAddress::fromIPv4(inAddress, kPort));
    EXPECT_TRUE(error == 0 || isInProgress(error)) << errorText(error);
    return client;
}

uint16_t waitFor(const Socket& inSocket, uint16_t inWanted, int64_t inTimeoutMs = 5000) {
    PollEntry entry{inSocket.fd(), inWanted, 0};
    EXPECT_EQ(pollFds({&entry, 1}, inTimeoutMs), 1);
    return entry.ready;
}

} // namespace

TEST(ztPollWin32, timesOutWithNothingReady) {
    EventFd event = makeEvent();
    PollEntry entry{event.fd(), pollFlag::readable, 0};
    const uint64_t start = monotonicMillis();
    EXPECT_EQ(pollFds({&entry, 1}, 60), 0);
    EXPECT_GE(monotonicMillis() - start, 55u);
    EXPECT_EQ(entry.ready, 0);
    EXPECT_EQ(pollFds({&entry, 0}, 0), 0) << "no entries, no wait";
}

TEST(ztPollWin32, anEventSetByAnotherThreadWakesTheWaitBesideASocket) {
    EventFd quiet = makeEvent();
    EventFd woken = makeEvent();
    Socket listener = makeListener();
    std::array<PollEntry, 3> entries{{{quiet.fd(), pollFlag::readable, 0},
                                      {listener.fd(), pollFlag::readable, 0},
                                      {woken.fd(), pollFlag::readable, 0}}};
    std::thread setter([&woken] {
        sleepMillis(30);
        woken.set();
    });
    EXPECT_EQ(pollFds(entries, 5000), 1);
    setter.join();
    EXPECT_EQ(entries[0].ready, 0);
    EXPECT_EQ(entries[1].ready, 0);
    EXPECT_EQ(entries[2].ready, pollFlag::readable);
}

TEST(ztPollWin32, socketsReportConnectionsDataAndTheirEnd) {
    Socket listener = makeListener();
    Socket client = startConnect(kListenAddress);
    EXPECT_TRUE(waitFor(listener, pollFlag::readable) & pollFlag::readable);
    Socket server;
    SocketAddress peer;
    ASSERT_EQ(listener.accept(server, peer), 0);
    EXPECT_EQ(peer.family(), AddressFamily::ipv4);
    EXPECT_EQ(peer.ipv4Bytes()[0], 127);
    EXPECT_TRUE(waitFor(client, pollFlag::writable) & pollFlag::writable);

    // Nothing to read yet: the wait runs out.
    PollEntry idle{server.fd(), pollFlag::readable, 0};
    EXPECT_EQ(pollFds({&idle, 1}, 40), 0);

    const char data[] = "ping";
    size_t sent = 0;
    ASSERT_EQ(client.send(data, 4, sent), 0);
    EXPECT_EQ(sent, 4u);
    EXPECT_TRUE(waitFor(server, pollFlag::readable) & pollFlag::readable);
    char buffer[16] = {};
    size_t received = 0;
    ASSERT_EQ(server.receive(buffer, sizeof buffer, received), 0);
    EXPECT_EQ(std::string(buffer, received), "ping");
    EXPECT_TRUE(isWouldBlock(server.receive(buffer, sizeof buffer, received)));

    // The peer's close reads as readable with nothing to read.
    ASSERT_EQ(client.close(), 0);
    EXPECT_TRUE(waitFor(server, pollFlag::readable) & pollFlag::readable);
    EXPECT_EQ(server.receive(buffer, sizeof buffer, received), 0);
    EXPECT_EQ(received, 0u);
}

TEST(ztPollWin32, aRefusedConnectIsAnErrorWithItsPendingCode) {
    Socket client = startConnect(kNobodyAddress);
    const uint16_t ready = waitFor(client, pollFlag::writable);
    EXPECT_TRUE(ready & pollFlag::error) << ready;
    int pending = 0;
    ASSERT_EQ(client.getPendingError(pending), 0);
    EXPECT_NE(pending, 0);
    EXPECT_FALSE(errorText(pending).empty());
}

TEST(ztPollWin32, aPostedMessageWakesTheQueueEntry) {
    const int queue = messageQueueFd();
    ASSERT_GE(queue, 0);
    PostedMessage drained;
    while (peekMessage(drained)) {
    }
    EventFd quiet = makeEvent();
    std::array<PollEntry, 2> entries{
        {{quiet.fd(), pollFlag::readable, 0}, {queue, pollFlag::readable, 0}}};
    const ThreadId self = currentThreadId();
    std::thread poster([self] {
        sleepMillis(30);
        EXPECT_TRUE(postThreadMessage(self, 0x500, 7, -3));
    });
    EXPECT_EQ(pollFds(entries, 5000), 1);
    poster.join();
    EXPECT_EQ(entries[1].ready, pollFlag::readable);
    PostedMessage message;
    ASSERT_TRUE(peekMessage(message));
    EXPECT_EQ(message.message, 0x500u);
    EXPECT_EQ(message.wParam, 7u);
    EXPECT_EQ(message.lParam, -3);
    EXPECT_EQ(pollFds({&entries[1], 1}, 0), 0) << "the queue is empty again";
}

TEST(ztPollWin32, moreEntriesThanOneSystemWaitTakes) {
    std::vector<EventFd> events(80);
    std::vector<PollEntry> entries;
    for (EventFd& event : events) {
        event = makeEvent();
        entries.push_back({event.fd(), pollFlag::readable, 0});
    }
    std::thread setter([&events] {
        sleepMillis(30);
        events.back().set();
    });
    EXPECT_EQ(pollFds(entries, 5000), 1);
    setter.join();
    EXPECT_EQ(entries.back().ready, pollFlag::readable);
    EXPECT_EQ(entries.front().ready, 0);
}

TEST(ztPollWin32, aClosedHandleIsReportedInvalid) {
    int closedFd = -1;
    {
        EventFd event = makeEvent();
        closedFd = event.fd();
    }
    PollEntry entry{closedFd, pollFlag::readable, 0};
    EXPECT_EQ(pollFds({&entry, 1}, 1000), 1);
    EXPECT_EQ(entry.ready, pollFlag::invalid);
}
