#pragma once
// Runs XML commands against the stand-in server's model, as the gateway sends them: a
// command element named after the command, with its arguments and a "session" child as
// children. Each command is looked up in the catalog, checked against the refusal switches,
// validated against its declaration and run under the model's lock; its answer is an element
// "<Name>Response". Failures are ztExceptions carrying the server's error value and text.

#include "ztcentral/handlers/ztCentralCall.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

class TiXmlElement;
class TiXmlNode;
class ztCentralFaults;
class ztCentralModel;

class ztCentralCommands {
public:
    // Both objects are kept, not owned; they must outlive this one.
    ztCentralCommands(ztCentralModel& ioModel, ztCentralFaults& ioFaults);

    // Runs inCommand for the logged-in user inUser (empty before login) and appends its
    // answer element "<Name>Response" to ioAnswerParent; returns that element. On failure
    // nothing is appended and a ztException is thrown: unknownCommand, notACommand (Login,
    // Logout), commandRefused or the family's configured refusal, invalidArgument,
    // objectNotFound, itemExists, objectInUse. Any thread may call; commands are serialised
    // by the model's lock.
    TiXmlElement& execute(const TiXmlElement& inCommand, const std::string& inUser,
                          TiXmlNode& ioAnswerParent) const;

    // Runs a GetReportFile command (the request of its own net object type): fills
    // outHeaders with "Content-Type" and "Content-Disposition" and outContent with the file.
    // Fails as execute does.
    void getReportFile(const TiXmlElement& inCommand, const std::string& inUser,
                       std::map<std::string, std::string>& outHeaders,
                       std::string& outContent) const;

    // The command element in a tree as the gateway sends it: the first child element of
    // inTree (the envelope body the gateway passes), or of its "Body" child when inTree is a
    // whole envelope. Null when there is none.
    static const TiXmlElement* findCommandElement(const TiXmlNode& inTree);
    // True for the commands that run without a session (the pre-login command).
    static bool runsWithoutSession(std::string_view inCommand);

    // Catalog commands without an implementation (the gateway-only ones aside); empty when
    // the table and the code agree.
    std::vector<std::string> missingHandlers() const;

private:
    const ztCentralCatalog::Command& prepare(const TiXmlElement& inCommand) const;

    ztCentralModel& itsModel;
    ztCentralFaults& itsFaults;
    ztCentralHandlerMap itsHandlers;
};
