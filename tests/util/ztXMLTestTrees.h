#pragma once
// Deep TinyXML trees for the XML writer and printer tests. TinyXML's own destructor
// recurses once per level, so a deep tree is taken apart leaf by leaf instead.

#include <tinyxml.h>

#include <cstddef>
#include <memory>

namespace zt::test {

// Removes every node below ioRoot without recursion: each removal deletes a leaf.
inline void dismantle(TiXmlNode& ioRoot) {
    TiXmlNode* node = &ioRoot;
    for (;;) {
        while (node->LastChild())
            node = node->LastChild();
        if (node == &ioRoot)
            return;
        TiXmlNode* parent = node->Parent();
        parent->RemoveChild(node);
        node = parent;
    }
}

struct DismantleDocument {
    void operator()(TiXmlDocument* inDocument) const {
        dismantle(*inDocument);
        delete inDocument;
    }
};
using DeepDocument = std::unique_ptr<TiXmlDocument, DismantleDocument>;

// A document holding inDepth nested elements named inName; the innermost one holds
// inInnerText as its text when that is not null.
inline DeepDocument makeChain(size_t inDepth, const char* inName = "e",
                              const char* inInnerText = nullptr) {
    DeepDocument document(new TiXmlDocument);
    TiXmlNode* node = document.get();
    for (size_t i = 0; i < inDepth; ++i)
        node = node->LinkEndChild(new TiXmlElement(inName));
    if (inInnerText)
        node->LinkEndChild(new TiXmlText(inInnerText));
    return document;
}

} // namespace zt::test
