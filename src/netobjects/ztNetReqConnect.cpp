// The Connect request: a one-byte body and the server's answer record.
#include "netobjects/ztNetReqConnect.h"

#include "netobjects/ztConnectAnswer.h"
#include "netobjects/ztNetReader.h"

ztNetReqConnect::ztNetReqConnect(ztConnectAnswer& outAnswer) : itsAnswer(outAnswer) {}

ztNetReqConnect::~ztNetReqConnect() {
    // readData writes into the caller's record, which may go away with this request.
    detachFromHandler();
}

const char* ztNetReqConnect::getTypeName() const {
    return "ztNOT_Connect";
}

const char* ztNetReqConnect::getName() const {
    return "Connect";
}

void ztNetReqConnect::writeRequest() {
    getBodyWriter().reset();
    getBodyWriter().putBool(false);
}

ztErr ztNetReqConnect::readData(ztNetReader& ioReader) {
    itsAnswer.readFrom(ioReader);
    return ztErr_noError;
}
