// Answers of the stand-in server, with delays, silence and dropped connections on demand.
#include "ztcentral/server/ztCentralResponse.h"

#include "ztcentral/server/ztCentralConnection.h"
#include "ztcentral/server/ztCentralState.h"

#include "messages/ztInfoLog.h"
#include "netobjects/ztNetObjectHandler.h"

#include <utility>

ztCentralResponse::ztCentralResponse(std::shared_ptr<ztCentralState> inState,
                                     std::shared_ptr<ztCentralConnection> inConnection)
    : itsState(std::move(inState)), itsConnection(std::move(inConnection)) {}

ztCentralResponse::~ztCentralResponse() = default;

ztErr ztCentralResponse::receiveData(const uint8_t* inData, uint32_t inLength, bool inLast) {
    const uint32_t packet = itsConnection->countPacket();
    if (itsState->takeDrop(packet)) {
        // Stopping ends the handler's loop before anything more is sent; closing the socket
        // is what the client sees, as with a server that goes away.
        ztLog(3, "ztcentral: dropping the connection %s at packet %u",
              itsConnection->handler().getDisplayName().c_str(), packet);
        itsConnection->handler().stop(0);
        setTransferState(ztNetStatus::idle);
        return ztErr_noError;
    }
    const ztErr result = ztNetResponse::receiveData(inData, inLength, inLast);
    if (!inLast || result != ztErr_noError)
        return result;
    if (itsState->isSilent()) {
        // Idle keeps the object registered without sending: it ends when the client
        // cancels it or the connection goes.
        setTransferState(ztNetStatus::idle);
        return result;
    }
    const uint32_t delay = answerDelay();
    if (delay > 0) {
        setDelay(delay);
        setTransferState(ztNetStatus::delay);
    }
    return result;
}

std::string ztCentralResponse::delayName() const {
    return getName();
}

uint32_t ztCentralResponse::answerDelay() const {
    return itsState->delayFor(delayName());
}
