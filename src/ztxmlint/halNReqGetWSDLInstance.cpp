// The GetWSDLInstance request: one byte out, the whole WSDL model back.
#include "ztxmlint/halNReqGetWSDLInstance.h"

#include "messages/ztException.h"
#include "util/ztWSDL.h"

#include <utility>

halNReqGetWSDLInstance::halNReqGetWSDLInstance(std::shared_ptr<ztWSDL> inWSDL, uint32_t inValue)
    : itsWSDL(std::move(inWSDL)) {
    if (!itsWSDL)
        throw zt::ex::InvalidArgument("inWSDL");
    getBodyWriter().putUInt8(static_cast<uint8_t>(inValue & 0xFF));
}

// Detached first: the handler must not read an answer into members already destroyed.
halNReqGetWSDLInstance::~halNReqGetWSDLInstance() {
    detachFromHandler();
}

const char* halNReqGetWSDLInstance::getTypeName() const {
    return "ztNOT_GetWSDLInstance";
}

const char* halNReqGetWSDLInstance::getName() const {
    return "GetWSDLInstance";
}

ztErr halNReqGetWSDLInstance::readData(ztNetReader& ioReader) {
    itsWSDL->readFrom(ioReader);
    return ztErr_noError;
}
