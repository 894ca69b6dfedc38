// The net object base: status changes and the default packet handling of a body.
#include "netobjects/ztNetObject.h"

#include "messages/ztAssert.h"
#include "messages/ztInfoLog.h"
#include "netobjects/ztNetLimits.h"
#include "netobjects/ztNetReader.h"

#include <algorithm>
#include <cstring>
#include <new>

ztNetObject::ztNetObject() : itsWriter(initialBodySize) {}

ztNetObject::~ztNetObject() {
    ztAssert(itsRefId == 0);
}

bool ztNetObject::succeeded() const {
    return getStatus() == ztNetStatus::complete && getError() == ztErr_noError;
}

const char* ztNetObject::getTypeName() const {
    return "NetObject";
}

const char* ztNetObject::getName() const {
    return "NetObject";
}

bool ztNetObject::requiresAuthority() const {
    return true;
}

void ztNetObject::reset() {
    itsErrorMessage.clear();
    storeStatus(ztNetStatus::idle);
    itsTransferState = ztNetStatus::idle;
}

void ztNetObject::setNetObjectHandler(ztNetObjectHandler* inHandler) {
    itsNetObjectHandler.store(inHandler);
}

void ztNetObject::setStatus(ztNetStatus inStatus) {
    if (!ztIsFinalStatus(inStatus)) {
        storeStatus(inStatus);
        return;
    }
    // Copied first: the callback may delete this object, itself included.
    const CompletionCallback callback = itsCompletionCallback;
    completed();
    storeStatus(inStatus);
    if (callback)
        callback(this);
}

void ztNetObject::setTransferState(ztNetStatus inState) {
    itsTransferState = inState;
}

uint16_t ztNetObject::getRefId() const {
    return itsRefId.load();
}

void ztNetObject::setRefId(uint16_t inRefId) {
    itsRefId.store(inRefId);
}

void ztNetObject::completed() {}

uint32_t ztNetObject::getDelay() const {
    return 0;
}

ztErr ztNetObject::receiveData(const uint8_t* inData, uint32_t inLength, bool inLast) {
    if (itsPacketCount == 1 && inLast && itsReceiveBuffer.empty()) {
        ztNetReader reader(inData, inLength);
        return readData(reader);
    }
    // 64-bit sizes: the sum of a collected size and a 32-bit length cannot wrap.
    const size_t collected = itsReceiveBuffer.size() + inLength;
    if (collected > ztNetMaxPayloadSize) {
        ztLog(2, "%s: body of %zu bytes exceeds %u", getName(), collected, ztNetMaxPayloadSize);
        std::vector<uint8_t>().swap(itsReceiveBuffer);
        return ztErr_unexpectedData;
    }
    itsReceiveBuffer.insert(itsReceiveBuffer.end(), inData, inData + inLength);
    if (!inLast)
        return ztErr_noError;
    // Taken out before parsing, so the parts are gone even when the parse throws.
    const std::vector<uint8_t> body = std::move(itsReceiveBuffer);
    itsReceiveBuffer.clear();
    ztNetReader reader(body.data(), body.size());
    return readData(reader);
}

ztErr ztNetObject::readData(ztNetReader&) {
    return ztErr_noError;
}

uint32_t ztNetObject::sendData(uint8_t* outBuffer, uint32_t inMaximum, ztErr& outError,
                               bool& outDone) {
    const uint32_t length = static_cast<uint32_t>(std::min<size_t>(inMaximum, itsSendRemaining));
    if (length > 0)
        std::memcpy(outBuffer, itsSendCursor, length);
    itsSendCursor += length;
    itsSendRemaining -= length;
    outDone = itsSendRemaining == 0;
    outError = getError();
    return length;
}

void ztNetObject::prepareSend() {
    if (!itsWriter.good()) {
        itsSendRemaining = 0;
        throw std::bad_alloc();
    }
    itsSendCursor = itsWriter.data();
    itsSendRemaining = itsWriter.count();
    setTransferState(ztNetStatus::send);
}

uint32_t ztNetObject::readPrefix(const uint8_t*, uint32_t) {
    return 0;
}

uint32_t ztNetObject::writePrefix(uint8_t*, uint32_t, ztErr& outError) {
    outError = ztErr_noError;
    return 0;
}

void ztNetObject::setCompletionCallback(CompletionCallback inCallback) {
    itsCompletionCallback = std::move(inCallback);
}
