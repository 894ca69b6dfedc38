#pragma once
// The XMLCommand request as ztprobe sends it: a command element in the XML net form, then
// 16 bits of command flags; the server's answer, in the net form too, is rebuilt as a
// TinyXML tree.

#include "netobjects/ztNetRequest.h"

#include <tinyxml.h>

class ztProbeXMLCommand : public ztNetRequest {
public:
    static constexpr uint16_t typeNumber = 10;

    // Writes inCommand and its subtree, then inFlags, as the body; inCommand is not kept.
    // Throws std::bad_alloc when the body cannot grow.
    ztProbeXMLCommand(const TiXmlNode& inCommand, uint16_t inFlags);
    ~ztProbeXMLCommand() override;

    uint16_t getType() const override { return typeNumber; }
    const char* getTypeName() const override;
    const char* getName() const override;
    // Replays the answer below getAnswer(). A malformed answer throws (std::out_of_range or
    // ztException ztErr_unexpectedData).
    ztErr readData(ztNetReader& ioReader) override;

    // The answer's nodes, below an empty document.
    const TiXmlDocument& getAnswer() const { return itsAnswer; }

private:
    TiXmlDocument itsAnswer;
};
