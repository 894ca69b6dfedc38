#pragma once
// Builds a flat XML tree from XML events, with the same rules as the TinyXML writer, so an
// answer replayed into either holds the same nodes.

#include "util/ztXMLFlatTree.h"
#include "util/ztXMLWriter.h"

class ztXMLFlatWriter : public ztXMLWriter {
public:
    // Appends below inNode of ioTree, which must outlive the writer.
    ztXMLFlatWriter(ztXMLFlatTree& ioTree, ztXMLFlatTree::Node inNode)
        : itsTree(ioTree), itsCurrentNode(inNode) {}

    // Defaults: version "1.0", encoding "utf-8", no standalone value.
    void declaration(const char* inVersion, const char* inEncoding,
                     const char* inStandalone) override;
    void finish() override {}
    void startElement(const char* inName) override;
    void endElement() override;
    // An empty text adds nothing.
    void text(const char* inText, bool inIsCData) override;
    // Sets the attribute when the current node is an element; a nameless one is dropped.
    void attribute(const char* inName, const char* inValue) override;
    void comment(const char* inText) override;
    // Adds nothing: the children that follow land on the current node.
    void document(const char* inValue) override;
    void unknown(const char* inText) override;

private:
    ztXMLFlatTree& itsTree;
    ztXMLFlatTree::Node itsCurrentNode;
};
