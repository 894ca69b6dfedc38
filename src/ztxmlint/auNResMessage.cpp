// Server messages: read, dropped and answered.
#include "ztxmlint/auNResMessage.h"

#include "messages/ztAssert.h"
#include "netobjects/ztNetReader.h"

auNResMessage::auNResMessage() = default;

auNResMessage::~auNResMessage() = default;

const char* auNResMessage::getTypeName() const {
    return "ahaNOT_Message";
}

const char* auNResMessage::getName() const {
    return "Message";
}

ztErr auNResMessage::readData(ztNetReader& ioReader) {
    ioReader.getConstString();
    ztAssert(ioReader.good() && (ioReader.count() == ioReader.size()));
    return ztErr_noError;
}
