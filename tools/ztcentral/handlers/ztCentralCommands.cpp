// Command dispatch of the stand-in server.
#include "ztcentral/handlers/ztCentralCommands.h"

#include "ztcentral/handlers/ztCentralDNSHandlers.h"
#include "ztcentral/model/ztCentralErr.h"
#include "ztcentral/model/ztCentralFaults.h"
#include "ztcentral/handlers/ztCentralFolderHandlers.h"
#include "ztcentral/handlers/ztCentralGeneralHandlers.h"
#include "ztcentral/handlers/ztCentralIPAMHandlers.h"
#include "ztcentral/model/ztCentralModel.h"
#include "ztcentral/handlers/ztCentralReportHandlers.h"
#include "ztcentral/handlers/ztCentralUserHandlers.h"
#include "ztcentral/catalog/ztCentralValidator.h"

#include "messages/ztException.h"

#include <tinyxml.h>

#include <memory>

ztCentralCommands::ztCentralCommands(ztCentralModel& ioModel, ztCentralFaults& ioFaults)
    : itsModel(ioModel), itsFaults(ioFaults) {
    ztCentralGeneralHandlers::addTo(itsHandlers);
    ztCentralDNSHandlers::addTo(itsHandlers);
    ztCentralIPAMHandlers::addTo(itsHandlers);
    ztCentralUserHandlers::addTo(itsHandlers);
    ztCentralFolderHandlers::addTo(itsHandlers);
    ztCentralReportHandlers::addTo(itsHandlers);
}

const ztCentralCatalog::Command& ztCentralCommands::prepare(const TiXmlElement& inCommand) const {
    const std::string name(ztCentralValidator::localName(inCommand));
    const ztCentralCatalog::Command* command = ztCentralCatalog::instance().findCommand(name);
    if (command == nullptr)
        throw ztException(ztCentralErr_unknownCommand, ztCentralText::unknownCommand, 'c', name);
    if (command->gatewayOnly)
        throw ztException(ztCentralErr_notACommand, ztCentralText::notACommand, 'c', command->name);
    itsFaults.check(command->name, command->family);
    ztCentralValidator::validate(inCommand, *command);
    return *command;
}

TiXmlElement& ztCentralCommands::execute(const TiXmlElement& inCommand, const std::string& inUser,
                                         TiXmlNode& ioAnswerParent) const {
    const ztCentralCatalog::Command& command = prepare(inCommand);
    ztCentralHandler handler = ztCentralGeneralHandlers::genericHandler(command.action);
    if (handler == nullptr) {
        auto it = itsHandlers.find(command.name);
        if (it == itsHandlers.end())
            throw ztException(ztCentralErr_unknownCommand, ztCentralText::unknownCommand, 'c',
                              command.name);
        handler = it->second;
    }
    // Built apart and linked only when the command succeeded, so a failure leaves no half
    // answer behind.
    auto answer = std::make_unique<TiXmlElement>(command.name + "Response");
    itsModel.locked([&](ztCentralStore& ioStore) {
        ztCentralCall call(ioStore, command, inCommand, inUser, *answer);
        handler(call);
    });
    return *ioAnswerParent.LinkEndChild(answer.release())->ToElement();
}

void ztCentralCommands::getReportFile(const TiXmlElement& inCommand, const std::string& inUser,
                                      std::map<std::string, std::string>& outHeaders,
                                      std::string& outContent) const {
    const ztCentralCatalog::Command& command = prepare(inCommand);
    if (!ztCentralEqualNoCase(command.name, "GetReportFile"))
        throw ztException(ztErr_invalidArgument, ztCentralText::unknownArgument, 'a', command.name,
                          'c', "GetReportFile");
    TiXmlElement scratch("GetReportFileResponse");
    itsModel.locked([&](ztCentralStore& ioStore) {
        ztCentralCall call(ioStore, command, inCommand, inUser, scratch);
        ztCentralReportHandlers::reportFile(call, outHeaders, outContent);
    });
}

const TiXmlElement* ztCentralCommands::findCommandElement(const TiXmlNode& inTree) {
    const TiXmlElement* first = inTree.FirstChildElement();
    if (first == nullptr)
        return nullptr;
    const std::string_view name = ztCentralValidator::localName(*first);
    if (ztCentralEqualNoCase(name, "Envelope")) {
        for (const TiXmlElement* child = first->FirstChildElement(); child != nullptr;
             child = child->NextSiblingElement())
            if (ztCentralEqualNoCase(ztCentralValidator::localName(*child), "Body"))
                return child->FirstChildElement();
        return first->FirstChildElement();
    }
    if (ztCentralEqualNoCase(name, "Body"))
        return first->FirstChildElement();
    return first;
}

bool ztCentralCommands::runsWithoutSession(std::string_view inCommand) {
    const ztCentralCatalog::Command* command = ztCentralCatalog::instance().findCommand(inCommand);
    return command != nullptr && command->withoutSession && !command->gatewayOnly;
}

std::vector<std::string> ztCentralCommands::missingHandlers() const {
    std::vector<std::string> result;
    for (const ztCentralCatalog::Command& command : ztCentralCatalog::instance().commands()) {
        if (command.gatewayOnly ||
            ztCentralGeneralHandlers::genericHandler(command.action) != nullptr)
            continue;
        if (itsHandlers.find(command.name) == itsHandlers.end())
            result.push_back(command.name);
    }
    return result;
}
