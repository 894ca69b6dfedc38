#pragma once
// Asks a central server for the HTML documentation page of its service, as XHTML, for
// publication to web clients.

#include "netobjects/ztNetRequest.h"

#include <set>
#include <string>

class TiXmlNode;

class halNReqGetWSDLDoc : public ztNetRequest {
public:
    static constexpr uint16_t typeNumber = 12;

    // Writes the body at once: the number of names in inNamespaces as 32 bits, then each
    // name in the set's (sorted, byte-wise) order. inTarget receives the answer's XML; it
    // is not owned and must outlive the request (null drops the answer).
    halNReqGetWSDLDoc(const std::set<std::string>& inNamespaces, TiXmlNode* inTarget);
    ~halNReqGetWSDLDoc() override;

    uint16_t getType() const override { return typeNumber; }
    const char* getTypeName() const override;
    const char* getName() const override;
    // Replays the server's HTML documentation page below the target. A
    // malformed answer throws (see readNetFormXML) and leaves the target as it was.
    ztErr readData(ztNetReader& ioReader) override;

private:
    TiXmlNode* itsTarget; // not owned
};
