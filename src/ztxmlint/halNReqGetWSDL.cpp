// The GetWSDL request: the namespace set out, XML back.
#include "ztxmlint/halNReqGetWSDL.h"

#include "ztxmlint/xmlNetForm.h"

halNReqGetWSDL::halNReqGetWSDL(const std::set<std::string>& inNamespaces, TiXmlNode* inTarget)
    : itsTarget(inTarget) {
    ztDynamicNetWriter& body = getBodyWriter();
    body.putUInt32(static_cast<uint32_t>(inNamespaces.size()));
    for (const std::string& name : inNamespaces)
        body.putString(name);
}

// Detached first: the handler must not read an answer into members already destroyed.
halNReqGetWSDL::~halNReqGetWSDL() {
    detachFromHandler();
}

const char* halNReqGetWSDL::getTypeName() const {
    return "ztNOT_GetWSDL";
}

const char* halNReqGetWSDL::getName() const {
    return "GetWSDL";
}

ztErr halNReqGetWSDL::readData(ztNetReader& ioReader) {
    readNetFormXML(ioReader, itsTarget);
    return ztErr_noError;
}
