// XML commands: the body written from the command tree and the answer read back as XML.
#include "ztxmlint/halNReqXMLCommand.h"

#include "ztxmlint/xmlNetForm.h"

halNReqXMLCommand::halNReqXMLCommand(const TiXmlNode& inTree, TiXmlNode* inTarget,
                                     uint16_t inCommandFlags)
    : itsTarget(inTarget) {
    ztDynamicNetWriter& body = getBodyWriter();
    writeNetFormXML(body, inTree);
    body.putUInt16(inCommandFlags);
}

// Detached first: the handler must not read an answer into members already destroyed.
halNReqXMLCommand::~halNReqXMLCommand() {
    detachFromHandler();
}

const char* halNReqXMLCommand::getTypeName() const {
    return "ztNOT_XMLCommand";
}

const char* halNReqXMLCommand::getName() const {
    return "XMLCommand";
}

ztErr halNReqXMLCommand::readData(ztNetReader& ioReader) {
    readNetFormXML(ioReader, itsTarget);
    return ztErr_noError;
}

const char* halNReqXMLCommandWithoutSession::getTypeName() const {
    return "ztNOT_XMLCommandWithoutSession";
}

const char* halNReqXMLCommandWithoutSession::getName() const {
    return "XMLCommandWithoutSession";
}
