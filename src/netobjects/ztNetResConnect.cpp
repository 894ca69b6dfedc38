// The accepting side of the Connect exchange.
#include "netobjects/ztNetResConnect.h"

#include "netobjects/ztNetReader.h"

ztNetResConnect::ztNetResConnect(const ztConnectAnswer& inAnswer, ztErr inRefusal)
    : itsAnswer(inAnswer), itsRefusal(inRefusal) {}

ztNetResConnect::~ztNetResConnect() = default;

const char* ztNetResConnect::getTypeName() const {
    return "ztNOT_Connect";
}

const char* ztNetResConnect::getName() const {
    return "Connect";
}

ztErr ztNetResConnect::readData(ztNetReader& ioReader) {
    ioReader.getBool();
    if (itsRefusal != ztErr_noError)
        return itsRefusal;
    getBodyWriter().reset();
    itsAnswer.writeTo(getBodyWriter());
    return ztErr_noError;
}
