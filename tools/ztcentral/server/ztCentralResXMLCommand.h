#pragma once
// The stand-in server's side of XMLCommand (type 10, in the connection's logged-in session)
// and XMLCommandWithoutSession (type 9, only for the commands that run without one): reads
// the command tree in the XML net form and the command flags, runs the command and answers
// with its "<Name>Response" element in the net form.

#include "ztcentral/server/ztCentralResponse.h"

#include <string>

class ztCentralResXMLCommand : public ztCentralResponse {
public:
    static constexpr uint16_t typeNumber = 10;
    static constexpr uint16_t withoutSessionTypeNumber = 9;

    // inWithoutSession makes it the type 9 object.
    ztCentralResXMLCommand(std::shared_ptr<ztCentralState> inState,
                           std::shared_ptr<ztCentralConnection> inConnection,
                           bool inWithoutSession);
    ~ztCentralResXMLCommand() override;

    uint16_t getType() const override;
    const char* getTypeName() const override;
    const char* getName() const override;
    // Runs the command; the server's refusals are thrown as ztExceptions and reach the
    // client as the request's error message.
    ztErr readData(ztNetReader& ioReader) override;

protected:
    // The command's name, so that delays can be set per command.
    std::string delayName() const override;

private:
    bool itsWithoutSession;
    std::string itsCommandName;
};
