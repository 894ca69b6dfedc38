#pragma once
// Builds a TinyXML tree from XML events: how received answers and locally built
// documents take shape.

#include "util/ztXMLWriter.h"

class ztXMLTinyWriter : public ztXMLWriter {
public:
    // Appends below ioNode, which stays owned by its tree and must outlive the writer. A
    // null node makes every event a no-op.
    explicit ztXMLTinyWriter(TiXmlNode* ioNode) : itsCurrentNode(ioNode) {}

    // Defaults: version "1.0", encoding "utf-8", no standalone value.
    void declaration(const char* inVersion, const char* inEncoding,
                     const char* inStandalone) override;
    void finish() override {}
    // Appends an element and makes it the current node.
    void startElement(const char* inName) override;
    // The current node's parent becomes the current node.
    void endElement() override;
    // An empty text adds nothing.
    void text(const char* inText, bool inIsCData) override;
    // Sets the attribute when the current node is an element; a nameless one is dropped.
    void attribute(const char* inName, const char* inValue) override;
    void comment(const char* inText) override;
    // A TinyXML document can only be the root of a tree: linking one below another node
    // fails TinyXML's own assertion, which aborts the process. So the event adds nothing,
    // and the children that follow it land on the current node.
    void document(const char* inValue) override;
    void unknown(const char* inText) override;

    // The node the next event appends to; null once the writer climbed above its tree.
    TiXmlNode* currentNode() const { return itsCurrentNode; }

private:
    void append(TiXmlNode* inNode);

    TiXmlNode* itsCurrentNode; // not owned
};
