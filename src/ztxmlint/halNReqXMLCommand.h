#pragma once
// The requests that carry a command to a central server as an XML tree and bring its XML
// answer back: one that runs in the connection's logged-in session, and one that the
// server runs without a session (the pre-login command).

#include "netobjects/ztNetRequest.h"
#include "util/ztXMLFlatTree.h"

#include <cstdint>

class TiXmlNode;

class halNReqXMLCommand : public ztNetRequest {
public:
    static constexpr uint16_t typeNumber = 10;

    // Writes the body at once: every child of inTree (the dispatcher passes the command
    // element's parent) in the XML net form, then inCommandFlags as 16 bits. inTree is
    // not kept. inTarget receives the answer; it is not owned and must outlive the
    // request (null drops the answer). Throws std::bad_alloc when the body cannot grow.
    halNReqXMLCommand(const TiXmlNode& inTree, TiXmlNode* inTarget, uint16_t inCommandFlags);
    // The same with the answer replayed below inTarget of ioAnswerTree (not owned; it must
    // outlive the request).
    halNReqXMLCommand(const TiXmlNode& inTree, ztXMLFlatTree& ioAnswerTree,
                      ztXMLFlatTree::Node inTarget, uint16_t inCommandFlags);
    ~halNReqXMLCommand() override;

    uint16_t getType() const override { return typeNumber; }
    const char* getTypeName() const override;
    const char* getName() const override;
    // Replays the answer's XML below the target. A malformed answer throws (see
    // readNetFormXML) and leaves the target as it was.
    ztErr readData(ztNetReader& ioReader) override;

private:
    TiXmlNode* itsTarget = nullptr;         // not owned
    ztXMLFlatTree* itsAnswerTree = nullptr; // not owned; used when set
    ztXMLFlatTree::Node itsAnswerTarget = 0;
};

// The same request under its own type, which the server runs without a logged-in session.
class halNReqXMLCommandWithoutSession : public halNReqXMLCommand {
public:
    static constexpr uint16_t typeNumber = 9;

    using halNReqXMLCommand::halNReqXMLCommand;

    uint16_t getType() const override { return typeNumber; }
    const char* getTypeName() const override;
    const char* getName() const override;
};
