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

halNReqXMLCommand::halNReqXMLCommand(const TiXmlNode& inTree, ztXMLFlatTree& ioAnswerTree,
                                     ztXMLFlatTree::Node inTarget, uint16_t inCommandFlags)
    : halNReqXMLCommand(inTree, nullptr, inCommandFlags) {
    itsAnswerTree = &ioAnswerTree;
    itsAnswerTarget = inTarget;
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
    if (itsAnswerTree != nullptr)
        readNetFormXML(ioReader, *itsAnswerTree, itsAnswerTarget);
    else
        readNetFormXML(ioReader, itsTarget);
    return ztErr_noError;
}

const char* halNReqXMLCommandWithoutSession::getTypeName() const {
    return "ztNOT_XMLCommandWithoutSession";
}

const char* halNReqXMLCommandWithoutSession::getName() const {
    return "XMLCommandWithoutSession";
}
