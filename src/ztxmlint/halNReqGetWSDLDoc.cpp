// The GetWSDLDoc request: the namespace set out, XML back.
#include "ztxmlint/halNReqGetWSDLDoc.h"

#include "ztxmlint/xmlNetForm.h"

halNReqGetWSDLDoc::halNReqGetWSDLDoc(const std::set<std::string>& inNamespaces, TiXmlNode* inTarget)
    : itsTarget(inTarget) {
    ztDynamicNetWriter& body = getBodyWriter();
    body.putUInt32(static_cast<uint32_t>(inNamespaces.size()));
    for (const std::string& name : inNamespaces)
        body.putString(name);
}

// Detached first: the handler must not read an answer into members already destroyed.
halNReqGetWSDLDoc::~halNReqGetWSDLDoc() {
    detachFromHandler();
}

const char* halNReqGetWSDLDoc::getTypeName() const {
    return "ztNOT_GetWSDLDoc";
}

const char* halNReqGetWSDLDoc::getName() const {
    return "GetWSDLDoc";
}

ztErr halNReqGetWSDLDoc::readData(ztNetReader& ioReader) {
    readNetFormXML(ioReader, itsTarget);
    return ztErr_noError;
}
