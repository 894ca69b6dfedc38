// The listener thread of the accepting side and the connections it runs.
#include "netobjects/ztNetServer.h"

#include "messages/ztException.h"
#include "messages/ztInfoLog.h"
#include "messages/ztMessageTexts.h"
#include "net/ztSecureTCPEndpoint.h"
#include "netobjects/ztNetResConnect.h"
#include "platform/ztSocket.h"
#include "threads/ztEventWaiter.h"
#include "threads/ztMultiEvent.h"
#include "threads/ztSingleEvent.h"
#include "threads/ztStMutex.h"

#include <algorithm>
#include <atomic>
#include <new>
#include <string>

namespace {

// The listener wakes this often to let go of connections that ended.
constexpr int32_t kAcceptWaitMs = 1000;
// After an accept failed for lack of descriptors or memory the connection stays queued and
// the listening socket stays readable: without a pause the listener would spin on it.
constexpr uint32_t kShortageWaitMs = 200;
// How long a handshake thread that finished waits for the next connection, and how many
// may wait at once (the others end).
constexpr uint32_t kHandshakeIdleMs = 2000;
constexpr size_t kMaxIdleHandshakes = 16;

// What a failure to take or serve a connection was short of, as a sentence for the log.
std::string whyOf(const std::exception& inException) {
    // ztThread::start reports a thread the system would not create as std::bad_alloc.
    if (dynamic_cast<const std::bad_alloc*>(&inException) != nullptr)
        return "Out of system resources: no memory or no more threads.";
    const char* text = inException.what();
    return text[0] != '\0' ? text : "Out of system resources.";
}

std::string whyOf(int inError) {
    return zt::platform::isDescriptorShortage(inError) ? ztText::outOfDescriptors
                                                       : ztText::outOfSocketMemory;
}

} // namespace

// Accepting handshakes, one connection at a time. The listener gives each connection a
// thread that is not busy with another handshake, so a silent client holds up nobody else;
// a thread that finished stays a while for the next connection instead of ending, which
// under a stream of logins saves starting and joining a thread for each one. The endpoint
// still waits on the server's stop event, so stopping the server cuts every handshake short.
class ztNetServer::Handshake final : public ztThread {
public:
    // inAccepted numbers the connection in the order of accepts (ztResourceShortage).
    // Throws ztException ztErr_resFull when no wake-up descriptor is left for the thread.
    Handshake(ztNetServer& inServer, std::unique_ptr<ztNetEndpoint> inEndpoint, uint64_t inAccepted)
        : ztThread(&inServer), itsServer(inServer), itsEndpoint(std::move(inEndpoint)),
          itsAccepted(inAccepted),
          itsWork(&itsAssigned, &getStopEvent(), &inServer.getStopEvent()) {
        itsName = "ztNetServer handshake";
        if (zt::platform::EventFd::create(itsWakeUp) != 0)
            throw ztException(ztErr_resFull, ztText::outOfDescriptors);
    }
    ~Handshake() override { waitForBodyEnd(); }

    // Whether the thread waits for a connection (then it is not running a handshake).
    // Under the server's lock, as everything that follows.
    bool isIdle() const { return itsIdle; }
    // Hands an idle thread its next connection.
    void assign(std::unique_ptr<ztNetEndpoint> inEndpoint, uint64_t inAccepted) {
        itsEndpoint = std::move(inEndpoint);
        itsAccepted = inAccepted;
        itsIdle = false;
        itsAssigned.set();
    }

protected:
    void run() override {
        ztEventWaiter::adoptThreadDescriptor(std::move(itsWakeUp));
        std::unique_ptr<ztNetEndpoint> endpoint;
        uint64_t accepted = 0;
        {
            ztStMutex lock(&itsServer.itsMutex);
            endpoint = std::move(itsEndpoint);
            accepted = itsAccepted;
        }
        while (endpoint) {
            if (endpoint->secureAccepted() == ztErr_noError)
                itsServer.adopt(std::move(endpoint), accepted);
            endpoint.reset();
            endpoint = waitForNext(accepted);
        }
    }

private:
    // The next connection the listener hands over, or null when none came in time, the
    // server stops, or enough other threads wait already. outAccepted: its accept number.
    std::unique_ptr<ztNetEndpoint> waitForNext(uint64_t& outAccepted) {
        {
            ztStMutex lock(&itsServer.itsMutex);
            if (stopRequested() || itsServer.stopRequested() ||
                itsServer.idleHandshakes() >= kMaxIdleHandshakes)
                return nullptr;
            itsAssigned.reset();
            itsIdle = true;
        }
        waitForEvent(kHandshakeIdleMs, &itsWork, 0, false);
        ztStMutex lock(&itsServer.itsMutex);
        // The listener may have handed over a connection just as the wait ended.
        itsIdle = false;
        outAccepted = itsAccepted;
        return std::move(itsEndpoint);
    }

    ztNetServer& itsServer;
    std::unique_ptr<ztNetEndpoint> itsEndpoint; // handed over, not yet taken; server's lock
    uint64_t itsAccepted = 0;                   // itsEndpoint's accept number; server's lock
    bool itsIdle = false;                       // server's lock
    ztSingleEvent itsAssigned;
    ztMultiEvent itsWork;            // a connection, or a stop of the thread or the server
    zt::platform::EventFd itsWakeUp; // the thread's wake-up descriptor until it runs
};

struct ztNetServer::ConnectState {
    mutable ztMemMutex mutex{"ztNetServer::ConnectState"};
    ztConnectAnswer answer;
    ztErr refusal = ztErr_noError;
    std::atomic<uint32_t> count{0};
};

ztNetServer::ztNetServer(Settings inSettings)
    : itsSettings(std::move(inSettings)), itsConnectState(std::make_shared<ConnectState>()) {
    itsName = "ztNetServer";
    itsConnectState->answer = itsSettings.itsAnswer;
    itsConnectState->refusal = itsSettings.itsConnectRefusal;
}

ztNetServer::~ztNetServer() {
    waitForBodyEnd();
    endHandshakes();
    closeConnections();
}

ztErr ztNetServer::listen() {
    itsListener = std::make_unique<ztSecureTCPEndpoint>(kAcceptWaitMs, &getStopEvent(),
                                                        itsSettings.itsCompress);
    itsListener->setEncrypt(itsSettings.itsEncrypt);
    itsListener->setHandshakeTimeout(itsSettings.itsHandshakeTimeoutMs);
    if (!itsSettings.itsPrivateKeyText.empty() &&
        !itsListener->setKeyPair(itsSettings.itsPrivateKeyText))
        return ztErr_encryptionSetup;
    return itsListener->startListen(itsSettings.itsPort, itsSettings.itsAddress);
}

void ztNetServer::setAnswer(const ztConnectAnswer& inAnswer) {
    ztStMutex lock(&itsConnectState->mutex);
    itsConnectState->answer = inAnswer;
}

ztConnectAnswer ztNetServer::getAnswer() const {
    ztStMutex lock(&itsConnectState->mutex);
    return itsConnectState->answer;
}

void ztNetServer::setConnectionCallback(ConnectionCallback inCallback) {
    ztStMutex lock(&itsMutex);
    itsConnectionCallback = std::move(inCallback);
}

std::vector<std::shared_ptr<ztNetObjectHandler>> ztNetServer::getConnections() const {
    ztStMutex lock(&itsMutex);
    return itsConnections;
}

uint32_t ztNetServer::getAcceptedCount() const {
    ztStMutex lock(&itsMutex);
    return itsAcceptedCount;
}

uint32_t ztNetServer::getConnectCount() const {
    return itsConnectState->count.load();
}

void ztNetServer::closeConnections() {
    std::vector<std::shared_ptr<ztNetObjectHandler>> connections;
    {
        ztStMutex lock(&itsMutex);
        connections.swap(itsConnections);
    }
    // Every connection is asked to stop before any is waited for.
    for (const auto& connection : connections)
        connection->stop(0);
}

void ztNetServer::run() {
    if (!itsListener)
        return;
    uint64_t accepted = 0; // the last connection's number from itsShortage
    while (!stopRequested()) {
        // Plain TCP here; the key exchange runs on the connection's own thread.
        std::unique_ptr<ztNetEndpoint> endpoint = itsListener->ztTCPEndpoint::accept();
        dropStopped();
        if (!endpoint) {
            const int error = itsListener->getLastError();
            if (!zt::platform::isResourceShortage(error))
                continue;
            noteShortage(whyOf(error), accepted);
            waitForEvent(kShortageWaitMs, &getStopEvent(), 0, false);
            continue;
        }
        // A connection that cannot be served is closed; the listener goes on.
        accepted = itsShortage.accepted();
        try {
            startHandshake(std::move(endpoint), accepted);
        } catch (const std::exception& inException) {
            noteShortage(whyOf(inException), accepted);
        }
    }
}

void ztNetServer::startHandshake(std::unique_ptr<ztNetEndpoint> inEndpoint, uint64_t inAccepted) {
    auto* secure = dynamic_cast<ztSecureTCPEndpoint*>(inEndpoint.get());
    if (secure == nullptr || !secure->setKeyPair(*itsListener)) {
        ztLog(3, "ztNetServer: a connection could not take the key pair; closed");
        return;
    }
    ztStMutex lock(&itsMutex);
    for (const auto& handshake : itsHandshakes) {
        if (handshake->isIdle()) {
            handshake->assign(std::move(inEndpoint), inAccepted);
            return;
        }
    }
    // Every thread here runs a handshake: the bound counts them all.
    if (itsHandshakes.size() >= itsSettings.itsMaxPendingHandshakes) {
        lock.unlock();
        ztLog(3, "ztNetServer: %zu handshakes already running; a new connection is closed",
              itsSettings.itsMaxPendingHandshakes);
        return;
    }
    auto handshake = std::make_unique<Handshake>(*this, std::move(inEndpoint), inAccepted);
    handshake->start();
    itsHandshakes.push_back(std::move(handshake));
}

size_t ztNetServer::idleHandshakes() const {
    return static_cast<size_t>(
        std::count_if(itsHandshakes.begin(), itsHandshakes.end(),
                      [](const auto& inHandshake) { return inHandshake->isIdle(); }));
}

void ztNetServer::adopt(std::unique_ptr<ztNetEndpoint> inEndpoint, uint64_t inAccepted) {
    const auto* secure = dynamic_cast<const ztSecureTCPEndpoint*>(inEndpoint.get());
    const bool compression = secure != nullptr && secure->getCompress() != 0;
    // The accepted endpoint came with the listener's stop event; the handler sets its own.
    inEndpoint->setInterruptEvent(nullptr);
    std::unique_ptr<ztNetObjectHandler> handler;
    try {
        handler = std::make_unique<ztNetObjectHandler>(std::move(inEndpoint), compression);
    } catch (const std::exception& inException) {
        noteShortage(whyOf(inException), inAccepted);
        return;
    }
    handler->setHandlerName("ztNetServer");
    handler->setAuthority(itsSettings.itsAuthority);
    handler->setKeepAliveInterval(itsSettings.itsKeepAliveInterval);
    handler->setDeadPeerLimit(itsSettings.itsDeadPeerLimit);
    std::map<uint16_t, ztNetObjectHandler::Factory> factories = itsSettings.itsFactories;
    if (!factories.contains(ztNetResConnect::typeNumber)) {
        factories[ztNetResConnect::typeNumber] = [state = itsConnectState] {
            ++state->count;
            ztStMutex lock(&state->mutex);
            return std::make_unique<ztNetResConnect>(state->answer, state->refusal);
        };
    }
    handler->setFactoryTable(std::move(factories));
    // Under the lock that closeConnections takes, after the stop event is set on every way
    // out: a handshake that completes while the server goes away is either refused here
    // or listed before the server lets go of its connections. Counted and listed before
    // the handler runs, so a client that saw its Connect answered finds its connection.
    // Shared only once running: the thread holds no reference of its own, so the last
    // owner to let go stops it.
    ztStMutex lock(&itsMutex);
    if (stopRequested())
        return;
    if (itsConnectionCallback)
        itsConnectionCallback(*handler);
    try {
        handler->start();
    } catch (const std::exception& inException) {
        lock.unlock();
        noteShortage(whyOf(inException), inAccepted);
        return;
    }
    ++itsAcceptedCount;
    itsConnections.push_back(std::shared_ptr<ztNetObjectHandler>(std::move(handler)));
    lock.unlock();
    noteRecovered(inAccepted);
}

void ztNetServer::noteShortage(const std::string& inWhy, uint64_t inAccepted) {
    if (itsShortage.failed(inAccepted))
        ztLog(2, "ztNetServer: %s New connections wait or are closed until resources are free.",
              inWhy.c_str());
}

void ztNetServer::noteRecovered(uint64_t inAccepted) {
    if (itsShortage.recovered(inAccepted))
        ztLog(2, "ztNetServer: accepting connections again");
}

void ztNetServer::dropStopped() {
    std::vector<std::shared_ptr<ztNetObjectHandler>> ended;
    ztStMutex lock(&itsMutex);
    const auto stopped = [](const auto& inThread) {
        return inThread->getThreadState() == ztThread::State::stopped;
    };
    for (const auto& connection : itsConnections) {
        if (stopped(connection))
            ended.push_back(connection);
    }
    std::erase_if(itsConnections, stopped);
    std::vector<std::unique_ptr<Handshake>> finished;
    for (auto& handshake : itsHandshakes) {
        if (stopped(handshake))
            finished.push_back(std::move(handshake));
    }
    std::erase(itsHandshakes, nullptr);
    lock.unlock();
    // The connections and handshake threads end here, outside the lock.
}

void ztNetServer::endHandshakes() {
    std::vector<std::unique_ptr<Handshake>> handshakes;
    {
        ztStMutex lock(&itsMutex);
        handshakes.swap(itsHandshakes);
    }
    // Idle ones end at once; each one waits for its thread, which may still be adopting
    // its connection.
    for (const auto& handshake : handshakes)
        handshake->stop(0);
    handshakes.clear();
}
