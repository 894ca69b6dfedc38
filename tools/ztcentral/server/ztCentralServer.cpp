// The stand-in central server: the accepting side with the stand-in's objects and faults.
#include "ztcentral/server/ztCentralServer.h"

#include "ztcentral/server/ztCentralConnection.h"
#include "ztcentral/server/ztCentralReqMessage.h"
#include "ztcentral/server/ztCentralResConnect.h"
#include "ztcentral/server/ztCentralResGetReportFile.h"
#include "ztcentral/server/ztCentralResGetWSDL.h"
#include "ztcentral/server/ztCentralResGetWSDLInstance.h"
#include "ztcentral/server/ztCentralResLogin.h"
#include "ztcentral/server/ztCentralResXMLCommand.h"

#include "messages/ztException.h"
#include "messages/ztInfoLog.h"
#include "netobjects/ztNetServer.h"
#include "platform/ztTickCount.h"
#include "threads/ztEvent.h"
#include "threads/ztThread.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

// How often the time-driven faults are looked at: fine enough for tests that drop a
// connection after a few hundred milliseconds.
constexpr uint32_t kHousekeepingTickMs = 20;
// The periodic message waits at most this long for its answers, so that stopping the
// server is never held up for long.
constexpr int32_t kLongestMessageWaitMs = 5000;

std::map<uint16_t, ztNetObjectHandler::Factory>
factoryTable(const std::shared_ptr<ztCentralState>& inState,
             const std::shared_ptr<ztCentralConnection>& inConnection) {
    std::map<uint16_t, ztNetObjectHandler::Factory> table;
    table[ztCentralResConnect::typeNumber] = [inState, inConnection] {
        return std::make_unique<ztCentralResConnect>(inState, inConnection);
    };
    table[ztCentralResLogin::typeNumber] = [inState, inConnection] {
        return std::make_unique<ztCentralResLogin>(inState, inConnection);
    };
    table[ztCentralResXMLCommand::typeNumber] = [inState, inConnection] {
        return std::make_unique<ztCentralResXMLCommand>(inState, inConnection, false);
    };
    table[ztCentralResXMLCommand::withoutSessionTypeNumber] = [inState, inConnection] {
        return std::make_unique<ztCentralResXMLCommand>(inState, inConnection, true);
    };
    table[ztCentralResGetWSDL::typeNumber] = [inState, inConnection] {
        return std::make_unique<ztCentralResGetWSDL>(inState, inConnection, false);
    };
    table[ztCentralResGetWSDL::docTypeNumber] = [inState, inConnection] {
        return std::make_unique<ztCentralResGetWSDL>(inState, inConnection, true);
    };
    table[ztCentralResGetWSDLInstance::typeNumber] = [inState, inConnection] {
        return std::make_unique<ztCentralResGetWSDLInstance>(inState, inConnection);
    };
    table[ztCentralResGetReportFile::typeNumber] = [inState, inConnection] {
        return std::make_unique<ztCentralResGetReportFile>(inState, inConnection);
    };
    return table;
}

ztNetServer::Settings netServerSettings(const ztCentralServer::Settings& inSettings) {
    ztNetServer::Settings settings;
    settings.itsAddress = inSettings.itsAddress;
    settings.itsPort = inSettings.itsPort;
    settings.itsPrivateKeyText = inSettings.itsPrivateKeyText;
    settings.itsEncrypt = inSettings.itsEncrypt;
    settings.itsCompress = inSettings.itsCompress;
    settings.itsHandshakeTimeoutMs = inSettings.itsHandshakeTimeoutMs;
    settings.itsKeepAliveInterval = inSettings.itsKeepAliveInterval;
    settings.itsDeadPeerLimit = inSettings.itsDeadPeerLimit;
    return settings;
}

} // namespace

// Runs the faults that are driven by time: connections dropped a while after their accept
// and the periodic message.
class ztCentralServer::Housekeeper : public ztThread {
public:
    explicit Housekeeper(ztCentralServer& ioServer) : itsServer(ioServer) {
        itsName = "ztcentral housekeeper";
    }
    ~Housekeeper() override { waitForBodyEnd(); }

protected:
    void run() override {
        const Settings& settings = itsServer.itsSettings;
        uint64_t nextMessage = zt::platform::monotonicMillis() + settings.itsMessageEveryMs;
        while (!stopRequested()) {
            waitForEvent(kHousekeepingTickMs, &getStopEvent(), 0, false);
            if (stopRequested())
                return;
            if (settings.itsDropAfterMs != 0)
                itsServer.dropExpired();
            if (settings.itsMessageEveryMs == 0 || zt::platform::monotonicMillis() < nextMessage)
                continue;
            const int32_t wait = std::min<int32_t>(
                kLongestMessageWaitMs, static_cast<int32_t>(settings.itsMessageEveryMs));
            const size_t delivered = itsServer.sendMessage(settings.itsMessageText, wait);
            ztLog(4, "ztcentral: message delivered to %u clients",
                  static_cast<unsigned>(delivered));
            nextMessage = zt::platform::monotonicMillis() + settings.itsMessageEveryMs;
        }
    }

private:
    ztCentralServer& itsServer;
};

ztCentralServer::ztCentralServer(Settings inSettings)
    : itsSettings(std::move(inSettings)),
      itsState(std::make_shared<ztCentralState>(itsSettings.itsUsers, itsSettings.itsSSOUsers,
                                                itsSettings.itsAnswer)) {
    itsState->faults().setIdentity(itsSettings.itsIdentity);
    itsState->setNotReady(itsSettings.itsNotReady);
    itsState->setMaxConnections(itsSettings.itsMaxConnections);
    itsState->setDelay(itsSettings.itsDelayMs);
    for (const auto& [name, millis] : itsSettings.itsDelays)
        itsState->setDelay(name, millis);
    itsState->setDropAfterPackets(itsSettings.itsDropAfterPackets);
    itsState->setRefuseLogins(itsSettings.itsRefuseLogins);
    itsState->setSilent(itsSettings.itsSilent);
}

ztCentralServer::~ztCentralServer() {
    stop();
}

ztErr ztCentralServer::start() {
    itsNetServer = std::make_unique<ztNetServer>(netServerSettings(itsSettings));
    itsNetServer->setConnectionCallback(
        [this](ztNetObjectHandler& ioHandler) { adopt(ioHandler); });
    const ztErr error = itsNetServer->listen();
    if (error != ztErr_noError) {
        itsNetServer.reset();
        return error;
    }
    itsNetServer->start();
    if (itsSettings.itsDropAfterMs != 0 || itsSettings.itsMessageEveryMs != 0) {
        itsHousekeeper = std::make_unique<Housekeeper>(*this);
        itsHousekeeper->start();
    }
    ztLog(3, "ztcentral: listening on %s port %u", itsSettings.itsAddress.format().c_str(),
          unsigned{itsSettings.itsPort});
    return ztErr_noError;
}

void ztCentralServer::stop() {
    itsHousekeeper.reset();
    if (!itsNetServer)
        return;
    itsNetServer->stopAndWait(0);
    std::vector<std::shared_ptr<ztNetObjectHandler>> connections = itsNetServer->getConnections();
    itsNetServer->closeConnections();
    for (const auto& connection : connections)
        connection->wait(false);
    connections.clear();
    itsNetServer.reset();
    ztLog(3, "ztcentral: stopped");
}

// Called on the connection's handshake thread before its handler starts; the connection's
// objects and its registry entry share the server's state, which outlives the server
// object when a caller still holds a connection.
void ztCentralServer::adopt(ztNetObjectHandler& ioHandler) {
    const std::shared_ptr<ztCentralConnection> connection = itsState->addConnection(ioHandler);
    ioHandler.setStopCallback([state = itsState](ztNetObjectHandler* inHandler) {
        ztLog(4, "ztcentral: connection %s ended", inHandler->getDisplayName().c_str());
        state->removeConnection(inHandler);
    });
    ioHandler.setFactoryTable(factoryTable(itsState, connection));
    ztLog(4, "ztcentral: connection %s accepted", ioHandler.getDisplayName().c_str());
}

void ztCentralServer::setIdentity(const ztCentralFaults::Identity& inIdentity) {
    itsState->faults().setIdentity(inIdentity);
    ztLog(3, "ztcentral: WSDL reference is now \"%s\"", itsState->faults().wsdlReference().c_str());
}

void ztCentralServer::dropConnections() {
    if (!itsNetServer)
        return;
    ztLog(3, "ztcentral: dropping every connection");
    itsNetServer->closeConnections();
}

void ztCentralServer::dropExpired() {
    if (!itsNetServer)
        return;
    const uint64_t now = zt::platform::monotonicMillis();
    for (const auto& handler : itsNetServer->getConnections()) {
        const std::shared_ptr<ztCentralConnection> connection =
            itsState->findConnection(handler.get());
        if (!connection || now - connection->acceptedAt() < itsSettings.itsDropAfterMs)
            continue;
        if (handler->getThreadState() != ztThread::State::running || handler->stopRequested())
            continue;
        ztLog(3, "ztcentral: dropping the connection %s after %u ms",
              handler->getDisplayName().c_str(), itsSettings.itsDropAfterMs);
        handler->stop(0);
    }
}

size_t ztCentralServer::sendMessage(const std::string& inText, int32_t inTimeoutMs) {
    if (!itsNetServer)
        return 0;
    // The handler is declared first, so each message goes before the connection it uses.
    struct Pending {
        std::shared_ptr<ztNetObjectHandler> handler;
        std::unique_ptr<ztCentralReqMessage> message;
    };
    std::vector<Pending> pending;
    for (auto& handler : itsNetServer->getConnections()) {
        const std::shared_ptr<ztCentralConnection> connection =
            itsState->findConnection(handler.get());
        if (!connection || !connection->isLoggedIn())
            continue;
        auto message = std::make_unique<ztCentralReqMessage>(inText);
        try {
            message->send(handler.get());
        } catch (const ztException& e) {
            ztLog(4, "ztcentral: no message to %s: %s", handler->getDisplayName().c_str(),
                  e.what());
            continue;
        }
        pending.push_back({handler, std::move(message)});
    }
    const uint64_t deadline =
        zt::platform::monotonicMillis() + static_cast<uint64_t>(std::max(inTimeoutMs, 0));
    size_t delivered = 0;
    for (const Pending& entry : pending) {
        const uint64_t now = zt::platform::monotonicMillis();
        const int32_t left = now >= deadline ? 0 : static_cast<int32_t>(deadline - now);
        if (entry.message->waitForCompletion(left) && entry.message->succeeded())
            ++delivered;
    }
    return delivered;
}

uint32_t ztCentralServer::acceptedCount() const {
    return itsNetServer ? itsNetServer->getAcceptedCount() : 0;
}
