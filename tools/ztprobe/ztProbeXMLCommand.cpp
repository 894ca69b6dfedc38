// The body and the answer of ztprobe's XMLCommand request.
#include "ztprobe/ztProbeXMLCommand.h"

#include "netobjects/ztNetReader.h"
#include "util/ztXMLNetWriter.h"
#include "util/ztXMLTinyWriter.h"

ztProbeXMLCommand::ztProbeXMLCommand(const TiXmlNode& inCommand, uint16_t inFlags) {
    ztDynamicNetWriter& body = getBodyWriter();
    ztXMLNetWriter writer(body);
    writer.writeNode(inCommand);
    writer.finish();
    body.putUInt16(inFlags);
}

ztProbeXMLCommand::~ztProbeXMLCommand() {
    // readData fills itsAnswer, which goes before the base's destructor runs.
    detachFromHandler();
}

const char* ztProbeXMLCommand::getTypeName() const {
    return "ztNOT_XMLCommand";
}

const char* ztProbeXMLCommand::getName() const {
    return "XMLCommand";
}

ztErr ztProbeXMLCommand::readData(ztNetReader& ioReader) {
    itsAnswer.Clear();
    ztXMLTinyWriter writer(&itsAnswer);
    writer.replay(ioReader);
    return ztErr_noError;
}
