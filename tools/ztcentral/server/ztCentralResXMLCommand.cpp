// XML commands on the stand-in server.
#include "ztcentral/server/ztCentralResXMLCommand.h"

#include "ztcentral/handlers/ztCentralCommands.h"
#include "ztcentral/server/ztCentralConnection.h"
#include "ztcentral/model/ztCentralErr.h"
#include "ztcentral/server/ztCentralState.h"

#include "messages/ztException.h"
#include "messages/ztInfoLog.h"
#include "netobjects/ztNetReader.h"
#include "util/ztXMLNetWriter.h"
#include "util/ztXMLTinyWriter.h"

#include <tinyxml.h>

ztCentralResXMLCommand::ztCentralResXMLCommand(std::shared_ptr<ztCentralState> inState,
                                               std::shared_ptr<ztCentralConnection> inConnection,
                                               bool inWithoutSession)
    : ztCentralResponse(std::move(inState), std::move(inConnection)),
      itsWithoutSession(inWithoutSession) {}

ztCentralResXMLCommand::~ztCentralResXMLCommand() = default;

uint16_t ztCentralResXMLCommand::getType() const {
    return itsWithoutSession ? withoutSessionTypeNumber : typeNumber;
}

const char* ztCentralResXMLCommand::getTypeName() const {
    return itsWithoutSession ? "ztNOT_XMLCommandWithoutSession" : "ztNOT_XMLCommand";
}

const char* ztCentralResXMLCommand::getName() const {
    return itsWithoutSession ? "XMLCommandWithoutSession" : "XMLCommand";
}

std::string ztCentralResXMLCommand::delayName() const {
    return itsCommandName.empty() ? std::string(getName()) : itsCommandName;
}

ztErr ztCentralResXMLCommand::readData(ztNetReader& ioReader) {
    TiXmlDocument request;
    ztXMLTinyWriter tree(&request);
    tree.replay(ioReader);
    const uint16_t flags = ioReader.getUInt16();
    const TiXmlElement* command = ztCentralCommands::findCommandElement(request);
    if (command == nullptr)
        throw ztException(ztErr_invalidArgument, "The XML command holds no command element.");
    itsCommandName = command->ValueStr();
    const bool withoutSession = ztCentralCommands::runsWithoutSession(itsCommandName);
    if (itsWithoutSession && !withoutSession)
        throw ztException(ztCentralErr_notLoggedIn, ztCentralText::withoutSessionOnly, 'c',
                          itsCommandName);
    if (!itsWithoutSession && !connection().isLoggedIn())
        throw ztException(ztCentralErr_notLoggedIn, ztCentralText::notLoggedIn, 'c',
                          itsCommandName);
    const std::string user = connection().user();
    ztLog(4, "ztcentral: %s for \"%s\" (flags 0x%04X)", itsCommandName.c_str(), user.c_str(),
          flags);
    TiXmlElement answers("answers");
    state().commands().execute(*command, user, answers);
    getBodyWriter().reset();
    ztXMLNetWriter writer(getBodyWriter());
    writer.writeChildren(answers);
    writer.finish();
    return ztErr_noError;
}
