// Objects the peer starts: collecting the peer's packets, waiting and answering.
#include "netobjects/ztNetResponse.h"

#include "messages/ztInfoLog.h"

ztNetResponse::ztNetResponse() = default;

ztNetResponse::~ztNetResponse() = default;

ztErr ztNetResponse::receiveData(const uint8_t* inData, uint32_t inLength, bool inLast) {
    const uint32_t prefix = readPrefix(inData, inLength);
    if (prefix > inLength)
        return ztErr_unexpectedData;
    if (getPacketCount() == 1)
        started(getNetObjectHandler());
    const ztErr result = ztNetObject::receiveData(inData + prefix, inLength - prefix, inLast);
    if (!inLast)
        return result;
    received();
    if (result == ztErr_noError)
        prepareSend();
    return result;
}

uint32_t ztNetResponse::sendData(uint8_t* outBuffer, uint32_t inMaximum, ztErr& outError,
                                 bool& outDone) {
    const uint32_t length = ztNetObject::sendData(outBuffer, inMaximum, outError, outDone);
    if (outDone)
        setTransferState(ztNetStatus::complete);
    return length;
}

void ztNetResponse::setStatus(ztNetStatus inStatus) {
    if (inStatus == ztNetStatus::delay) {
        ++itsWaitRounds;
        itsDelayTimer.start();
        setTransferState(ztNetStatus::send);
    }
    ztNetObject::setStatus(inStatus);
}

uint32_t ztNetResponse::getDelay() const {
    return itsDelayTimer.remaining(itsDelayMs);
}

void ztNetResponse::started(ztNetObjectHandler*) {}

void ztNetResponse::received() {
    if (!ztLogEnabled(5))
        return;
    ztLog(5, "%s executed in %i msec.", getName(), static_cast<int>(itsDelayTimer.elapsed()));
}
