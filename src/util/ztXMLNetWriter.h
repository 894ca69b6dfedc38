#pragma once
// Writes XML events in the XML net form into a net object's body: how request trees
// travel to the central server.

#include "util/ztXMLWriter.h"

class ztNetWriter;

class ztXMLNetWriter : public ztXMLWriter {
public:
    // Writes into ioWriter, which stays owned by the caller and must outlive this writer.
    explicit ztXMLNetWriter(ztNetWriter& ioWriter) : itsWriter(ioWriter) {}
    // Finishes the stream when finish was not called. A failure of the buffer at that
    // point cannot be reported and leaves the net writer not good.
    ~ztXMLNetWriter() override;

    // Every event writes its record (see ztXMLNetTag); after finish every event is ignored.
    // The net writer's exceptions pass through: std::out_of_range from a fixed buffer,
    // std::bad_alloc from a growable one.
    void declaration(const char* inVersion, const char* inEncoding,
                     const char* inStandalone) override;
    // Writes the end tag once.
    void finish() override;
    void startElement(const char* inName) override;
    void endElement() override;
    void text(const char* inText, bool inIsCData) override;
    void attribute(const char* inName, const char* inValue) override;
    void comment(const char* inText) override;
    void document(const char* inValue) override;
    void unknown(const char* inText) override;

    bool isFinished() const { return itsFinished; }

private:
    void putTag(ztXMLNetTag inTag);

    ztNetWriter& itsWriter;
    bool itsFinished = false;
};
