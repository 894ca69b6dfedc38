// The listener thread of the accepting side and the connections it runs.
#include "netobjects/ztNetServer.h"

#include "messages/ztInfoLog.h"
#include "net/ztSecureTCPEndpoint.h"
#include "netobjects/ztNetResConnect.h"
#include "threads/ztStMutex.h"

#include <atomic>

namespace {

// The listener wakes this often to let go of connections that ended.
constexpr int32_t kAcceptWaitMs = 1000;

} // namespace

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
    while (!stopRequested()) {
        std::unique_ptr<ztNetEndpoint> endpoint = itsListener->accept();
        dropStopped();
        if (endpoint)
            adopt(std::move(endpoint));
    }
}

void ztNetServer::adopt(std::unique_ptr<ztNetEndpoint> inEndpoint) {
    const auto* secure = dynamic_cast<const ztSecureTCPEndpoint*>(inEndpoint.get());
    const bool compression = secure != nullptr && secure->getCompress() != 0;
    // The accepted endpoint came with the listener's stop event; the handler sets its own.
    inEndpoint->setInterruptEvent(nullptr);
    auto handler = std::make_unique<ztNetObjectHandler>(std::move(inEndpoint), compression);
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
    ConnectionCallback callback;
    {
        ztStMutex lock(&itsMutex);
        callback = itsConnectionCallback;
    }
    if (callback)
        callback(*handler);
    {
        // Counted before the handler runs: a client may see its Connect answered before
        // this thread gets the lock again.
        ztStMutex lock(&itsMutex);
        ++itsAcceptedCount;
    }
    handler->start();
    // Shared only once running: the thread holds no reference of its own, so the last
    // owner to let go stops it.
    std::shared_ptr<ztNetObjectHandler> connection(std::move(handler));
    ztStMutex lock(&itsMutex);
    itsConnections.push_back(std::move(connection));
}

void ztNetServer::dropStopped() {
    std::vector<std::shared_ptr<ztNetObjectHandler>> ended;
    ztStMutex lock(&itsMutex);
    const auto stopped = [](const std::shared_ptr<ztNetObjectHandler>& inConnection) {
        return inConnection->getThreadState() == ztThread::State::stopped;
    };
    for (const auto& connection : itsConnections) {
        if (stopped(connection))
            ended.push_back(connection);
    }
    std::erase_if(itsConnections, stopped);
    lock.unlock();
    // The connections end here, outside the lock.
}
