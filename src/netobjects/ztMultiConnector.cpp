// Connector threads, and the race between the addresses of one server name.
#include "netobjects/ztMultiConnector.h"

#include "messages/ztException.h"
#include "messages/ztInfoLog.h"
#include "messages/ztMessageTexts.h"
#include "net/ztConnectLookupThread.h"
#include "netobjects/ztNetReqConnect.h"
#include "threads/ztMultiEvent.h"
#include "util/ztTimer.h"

#include <algorithm>
#include <map>
#include <vector>

namespace {

struct AddressOrder {
    bool operator()(const ztIPv6& inLeft, const ztIPv6& inRight) const {
        return inLeft.getBytes() < inRight.getBytes();
    }
};

// Every address of the name, in address order, with its connector while one runs or holds
// a connection.
using ConnectorMap = std::map<ztIPv6, std::unique_ptr<ztMultiConnector>, AddressOrder>;

bool isSet(const ztEvent* inEvent) {
    return inEvent != nullptr && inEvent->isSet();
}

// Milliseconds left of inLimit on inTimer; a negative limit means none.
uint32_t timeLeft(const ztTimer& inTimer, int32_t inLimit) {
    return inLimit < 0 ? ztWaitInfinite : inTimer.remaining(static_cast<uint32_t>(inLimit));
}

// Resolves inName on a look-up thread, so that a name server that does not answer holds
// the caller no longer than inTimeoutMs and the cancel event can end the wait. Failures
// give an empty list.
std::vector<ztIPv6> resolve(const std::string& inName, ztEvent* inCancelEvent,
                            int32_t inTimeoutMs) {
    // Shared with the thread's body, which keeps the object alive if we stop waiting.
    const auto lookup = std::make_shared<ztConnectLookupThread>(inName);
    lookup->start();
    ztMultiEvent finishedOrCancelled(&lookup->getStoppedEvent(), inCancelEvent);
    const ztTimer timer(true);
    while (!lookup->getStoppedEvent().isSet() && !isSet(inCancelEvent)) {
        const uint32_t left = timeLeft(timer, inTimeoutMs);
        if (left == 0)
            break;
        waitForEvent(left, &finishedOrCancelled, 0, false);
    }
    if (isSet(inCancelEvent)) {
        lookup->stop(0);
        throw ztException(ztErr_cancelled);
    }
    if (!lookup->getStoppedEvent().isSet()) {
        lookup->stop(0);
        ztLog(2, "ztIPEndpoint::Resolver did not complete when resolving address for \"%s\"",
              inName.c_str());
        return {};
    }
    const ztErrorMessage& error = lookup->getErrorMessage();
    if (error.getErrorValue() == ztErr_hostNotFound)
        ztLog(1, "%s", error.getText().c_str());
    if (error.getErrorValue() != ztErr_noError)
        return {};
    return lookup->getResults();
}

bool differentFamilies(const std::vector<ztIPv6>& inAddresses) {
    return inAddresses.size() == 2 && inAddresses[0].isSet() && inAddresses[1].isSet() &&
           inAddresses[0].isIPv4() != inAddresses[1].isIPv4();
}

// Asks a server that answered "not ready" once more over the connection it gave; true when
// it now answers ready (its answer then replaces the connector's). A failure counts as
// not ready.
bool recheck(ztMultiConnector& ioConnector, ztEvent* inCancelEvent, uint32_t inTimeLeft) {
    if (ztLogEnabled(6))
        ztLog(6, "ztNetObjectHandler::connectToAnyServer re-checking %s",
              ioConnector.getAddress().format().c_str());
    ztConnectAnswer fresh;
    try {
        ztNetReqConnect request(fresh);
        request.send(ioConnector.getHandler());
        // The total time bounds the wait: a server that never answers must not hold the
        // caller beyond it.
        if (!request.waitForCompletion(
                static_cast<int32_t>(std::min<uint32_t>(inTimeLeft, INT32_MAX)), inCancelEvent)) {
            request.cancel();
            request.waitForCompletion(-1, nullptr);
        }
        if (!request.succeeded())
            return false;
    } catch (const ztException& inException) {
        ztLog(2, "ztNetObjectHandler::connectToAnyServer re-checking %s failed: %s",
              ioConnector.getAddress().format().c_str(), inException.what());
        return false;
    }
    ioConnector.getAnswer() = fresh;
    return !fresh.itsNotReady;
}

// Walks the connectors whose threads have ended and takes the first ready connection.
std::unique_ptr<ztNetObjectHandler> takeReady(ConnectorMap& ioConnectors, ztEvent* inCancelEvent,
                                              uint32_t inTimeLeft, ztConnectAnswer& outAnswer) {
    for (auto& [address, connector] : ioConnectors) {
        if (!connector || connector->getThreadState() != ztThread::State::stopped)
            continue;
        const ztNetObjectHandler* handler = connector->getHandler();
        if (handler == nullptr || !handler->isConnected()) {
            // The next round tries this address again.
            connector.reset();
            continue;
        }
        bool ready = !connector->getAnswer().itsNotReady;
        if (!ready && connector->isChecked())
            ready = recheck(*connector, inCancelEvent, inTimeLeft);
        connector->setChecked();
        if (!ready)
            continue;
        if (ztLogEnabled(6))
            ztLog(6, "ztNetObjectHandler::connectToAnyServer found a healthy connection at %s",
                  address.format().c_str());
        outAnswer = connector->getAnswer();
        return connector->takeHandler();
    }
    return nullptr;
}

// Starts a connector on every address that has none.
void startRound(ConnectorMap& ioConnectors, uint16_t inPort, const std::string& inMessageName,
                uint16_t inExpectedVersion, bool inCompress, const ztConnectSettings& inSettings) {
    for (auto& [address, connector] : ioConnectors) {
        if (connector)
            continue;
        connector = std::make_unique<ztMultiConnector>(address, inPort, inMessageName,
                                                       inExpectedVersion, inCompress, inSettings);
        if (ztLogEnabled(6))
            ztLog(6, "ztNetObjectHandler::connectToAnyServer connecting to %s",
                  address.format().c_str());
        connector->start();
    }
}

std::unique_ptr<ztNetObjectHandler> race(const std::vector<ztIPv6>& inAddresses, uint16_t inPort,
                                         const std::string& inMessageName, ztEvent* inCancelEvent,
                                         uint16_t inExpectedVersion, ztConnectAnswer& outAnswer,
                                         bool inCompress, const ztConnectSettings& inSettings) {
    ConnectorMap connectors;
    for (const ztIPv6& address : inAddresses)
        connectors.emplace(address, nullptr);
    const ztTimer total(true);
    ztTimer round;
    bool roundExpired = true;
    std::unique_ptr<ztNetObjectHandler> taken;
    try {
        while (!taken) {
            if (isSet(inCancelEvent) || total.elapsed() >= inSettings.itsTotalMs)
                break;
            if (roundExpired || round.elapsed() >= inSettings.itsRoundMs) {
                startRound(connectors, inPort, inMessageName, inExpectedVersion, inCompress,
                           inSettings);
                round.start();
                roundExpired = false;
            }
            ztMultiEvent wakeUp(inCancelEvent);
            for (const auto& [address, connector] : connectors) {
                if (connector && connector->getThreadState() != ztThread::State::stopped)
                    wakeUp.addEvent(&connector->getStoppedEvent());
            }
            waitForEvent(std::min(round.remaining(inSettings.itsRoundMs),
                                  total.remaining(inSettings.itsTotalMs)),
                         &wakeUp, 0, false);
            taken = takeReady(connectors, inCancelEvent, total.remaining(inSettings.itsTotalMs),
                              outAnswer);
        }
    } catch (const std::exception& inException) {
        ztLog(2, "ztNetObjectHandler::connectToAnyServer: %s", inException.what());
    }
    // All at once, so that no attempt waits for the end of another.
    for (auto& [address, connector] : connectors) {
        if (connector)
            connector->stop(0);
    }
    connectors.clear();
    return taken;
}

} // namespace

ztMultiConnector::ztMultiConnector(const ztIPv6& inAddress, uint16_t inPort,
                                   std::string inServerName, uint16_t inExpectedVersion,
                                   bool inCompress, const ztConnectSettings& inSettings)
    : itsAddress(inAddress), itsPort(inPort), itsServerName(std::move(inServerName)),
      itsExpectedVersion(inExpectedVersion), itsCompress(inCompress), itsSettings(inSettings) {
    itsName = "ztMultiConnector";
}

ztMultiConnector::~ztMultiConnector() {
    waitForBodyEnd();
}

void ztMultiConnector::run() {
    struct MarkFinished {
        std::atomic<bool>& itsFlag;
        ~MarkFinished() { itsFlag = true; }
    } markFinished{itsFinished};
    itsHandler = ztNetObjectHandler::connectToServer(itsAddress, itsPort, itsServerName,
                                                     &getStopEvent(), itsExpectedVersion, nullptr,
                                                     itsAnswer, itsCompress, itsSettings);
}

std::unique_ptr<ztNetObjectHandler>
connectToAnyServer(const std::string& inServerName, const ztIPv6& inAddress, uint16_t inPort,
                   const std::string& inMessageName, ztEvent* inCancelEvent,
                   uint16_t inExpectedVersion, ztProgress* inProgress, ztConnectAnswer& outAnswer,
                   bool inCompress, const ztConnectSettings& inSettings) {
    ztIPv6 literal = inAddress;
    if (!literal.isSet() && !literal.fromString(inServerName))
        literal = ztIPv6();
    if (literal.isSet())
        return ztNetObjectHandler::connectToServer(literal, inPort, inMessageName, inCancelEvent,
                                                   inExpectedVersion, inProgress, outAnswer,
                                                   inCompress, inSettings);

    const std::vector<ztIPv6> addresses =
        resolve(inServerName, inCancelEvent, inSettings.itsTimeoutMs);
    if (addresses.empty())
        throw ztException(ztErr_hostNotFound, ztText::hostNotFound, 's', inMessageName);
    if (addresses.size() == 1)
        return ztNetObjectHandler::connectToServer(addresses.front(), inPort, inMessageName,
                                                   inCancelEvent, inExpectedVersion, inProgress,
                                                   outAnswer, inCompress, inSettings);
    // The endpoint tries the two one after the other when it connects by name.
    if (differentFamilies(addresses))
        return ztNetObjectHandler::connectToServer(ztIPv6(), inPort, inServerName, inCancelEvent,
                                                   inExpectedVersion, inProgress, outAnswer,
                                                   inCompress, inSettings);

    std::unique_ptr<ztNetObjectHandler> handler =
        race(addresses, inPort, inMessageName, inCancelEvent, inExpectedVersion, outAnswer,
             inCompress, inSettings);
    if (handler)
        return handler;
    if (isSet(inCancelEvent))
        throw ztException(ztErr_cancelled);
    throw ztException(ztErr_connectFailed, ztText::connectFailed, 's', inMessageName);
}
