#pragma once
// Shared pieces of the request object tests: a handler that only hands out ids, and the
// byte strings that bodies and server answers are compared and built with.

#include "netobjects/ztDynamicNetWriter.h"
#include "netobjects/ztNetObjectHandler.h"
#include "netobjects/ztNetRequest.h"
#include "util/ztXMLNetWriter.h"
#include "util/ztXMLPrinter.h"

#include <tinyxml.h>

#include <cstdint>
#include <string>
#include <vector>

namespace halTest {

using Bytes = std::vector<uint8_t>;

// Takes requests the way the handler thread does, without any connection behind it.
class FakeHandler : public ztNetObjectHandler {
public:
    FakeHandler() = default;
    FakeHandler(uint32_t inKeepAlive, uint32_t inDeadPeer) {
        setKeepAliveInterval(inKeepAlive);
        setDeadPeerLimit(inDeadPeer);
    }
    void registerObject(ztNetRequest* inRequest) override { inRequest->setRefId(++itsLastId); }
    void cancel(ztNetObject*) override {}
    void requeue(ztNetObject*) override {}

    uint16_t itsLastId = 0;
};

// The bytes of inText, its terminating NUL excluded: string fields are written as
// bytes("name") + Bytes{0}.
inline Bytes bytes(const std::string& inText) {
    return Bytes(inText.begin(), inText.end());
}

inline Bytes operator+(Bytes inLeft, const Bytes& inRight) {
    inLeft.insert(inLeft.end(), inRight.begin(), inRight.end());
    return inLeft;
}

// A net object's body as it stands.
inline Bytes bodyOf(const ztNetObject& inObject) {
    const ztDynamicNetWriter& body = inObject.getBodyWriter();
    return Bytes(body.data(), body.data() + body.count());
}

// What ioWriter holds so far.
inline Bytes written(const ztNetWriter& inWriter) {
    return Bytes(inWriter.data(), inWriter.data() + inWriter.count());
}

// Parses inXml (which must be well formed) into ioDocument and returns its root element.
inline TiXmlElement* parseTree(const char* inXml, TiXmlDocument& ioDocument) {
    ioDocument.Parse(inXml, nullptr, TIXML_ENCODING_LEGACY);
    return ioDocument.RootElement();
}

// The XML net form of the children of inTree as a server sends it, end tag included.
inline void writeNetForm(ztNetWriter& ioWriter, const TiXmlNode& inTree) {
    ztXMLNetWriter writer(ioWriter);
    writer.writeChildren(inTree);
    writer.finish();
}

// inNode and its subtree as text, attributes included, without indentation.
inline std::string print(const TiXmlNode& inNode) {
    std::string text;
    printXml(inNode, text, false, false, false);
    return text;
}

} // namespace halTest
