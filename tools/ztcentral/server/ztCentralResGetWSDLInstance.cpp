// The WSDL instance of the stand-in server.
#include "ztcentral/server/ztCentralResGetWSDLInstance.h"

#include "ztcentral/catalog/ztCentralWSDL.h"

#include "netobjects/ztNetReader.h"

ztCentralResGetWSDLInstance::~ztCentralResGetWSDLInstance() = default;

const char* ztCentralResGetWSDLInstance::getTypeName() const {
    return "ztNOT_GetWSDLInstance";
}

const char* ztCentralResGetWSDLInstance::getName() const {
    return "GetWSDLInstance";
}

ztErr ztCentralResGetWSDLInstance::readData(ztNetReader& ioReader) {
    ioReader.getUInt8();
    getBodyWriter().reset();
    ztCentralWSDL::writeInstance(getBodyWriter());
    return ztErr_noError;
}
