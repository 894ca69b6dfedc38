#pragma once
// A stream of XML events, and the operations that feed one: writing an existing TinyXML
// tree, and replaying the XML net form that the central server sends inside net objects.

#include "util/ztNestingLimit.h"

#include <tinyxml.h>

#include <cstddef>
#include <cstdint>

class ztNetReader;

// The record tags of the XML net form. Each tag byte is followed by its fields; strings
// are NUL-terminated, the CDATA flag is one byte 0 or 1.
enum class ztXMLNetTag : uint8_t {
    end = 0,          // end of the stream; no fields
    document = 1,     // value
    declaration = 2,  // version, encoding, standalone (a missing one is the empty string)
    comment = 3,      // text
    startElement = 4, // name
    endElement = 5,   // no fields
    attribute = 6,    // name, value
    text = 7,         // CDATA flag, text
    unknown = 8,      // text
};

class ztXMLWriter {
public:
    // Deepest element nesting that replay accepts. Every received tree is destroyed (and
    // often walked) by TinyXML's recursive code, so the bound keeps a hostile stream from
    // exhausting the stack.
    static constexpr size_t maxReplayDepth = ztMaxNestingDepth;

    ztXMLWriter() = default;
    ztXMLWriter(const ztXMLWriter&) = delete;
    ztXMLWriter& operator=(const ztXMLWriter&) = delete;
    virtual ~ztXMLWriter() = default;

    // The events. A null text is taken as empty, except for the declaration, whose
    // parts are null when missing. Writers report no errors of their own; a writer over a
    // net buffer passes on the buffer's exceptions.
    virtual void declaration(const char* inVersion, const char* inEncoding,
                             const char* inStandalone) = 0;
    // Ends the stream; later events are ignored by writers that care.
    virtual void finish() = 0;
    virtual void startElement(const char* inName) = 0;
    virtual void endElement() = 0;
    virtual void text(const char* inText, bool inIsCData) = 0;
    // An attribute of the element just started.
    virtual void attribute(const char* inName, const char* inValue) = 0;
    virtual void comment(const char* inText) = 0;
    virtual void document(const char* inValue) = 0;
    virtual void unknown(const char* inText) = 0;

    // Emits every child of inNode, in document order, through writeNode.
    void writeChildren(const TiXmlNode& inNode);
    // Emits inNode and its whole subtree: the node's own event, an element's attributes in
    // order, the children, and for an element its end. The walk needs no recursion, so a
    // tree of any depth is safe.
    void writeNode(const TiXmlNode& inNode);
    // Reads XML net-form records from ioReader and emits the matching events up to and
    // including the end tag, which ends the replay without calling finish. An unknown tag
    // byte is skipped and reading goes on with the next byte. Input past the reader's end
    // throws std::out_of_range (from the reader); an end of element with no element open
    // or a nesting deeper than maxReplayDepth throws a ztException with
    // ztErr_unexpectedData. Events emitted before a failure stay emitted.
    void replay(ztNetReader& ioReader);
};
