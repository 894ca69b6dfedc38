// The Connect answer of the stand-in server.
#include "ztcentral/server/ztCentralResConnect.h"

#include "ztcentral/server/ztCentralState.h"

#include "messages/ztException.h"
#include "messages/ztInfoLog.h"
#include "messages/ztMessageTexts.h"
#include "netobjects/ztNetReader.h"

ztCentralResConnect::~ztCentralResConnect() = default;

const char* ztCentralResConnect::getTypeName() const {
    return "ztNOT_Connect";
}

const char* ztCentralResConnect::getName() const {
    return "Connect";
}

ztErr ztCentralResConnect::readData(ztNetReader& ioReader) {
    ioReader.getBool();
    const uint32_t maximum = state().maxConnections();
    // This connection is registered already, so the cap is reached when the count passes it.
    if (maximum != 0 && state().connectionCount() > maximum) {
        ztLog(2, "ztcentral: connection refused, %u connections are open already", maximum);
        throw ztException(ztErr_tooManyConnections, ztText::tooManyConnections, 's', "ztcentral");
    }
    getBodyWriter().reset();
    state().connectAnswer().writeTo(getBodyWriter());
    return ztErr_noError;
}

uint32_t ztCentralResConnect::answerDelay() const {
    return state().namedDelay(getName());
}
