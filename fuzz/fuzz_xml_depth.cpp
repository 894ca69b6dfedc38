// Fuzzes the nesting pre-scan against TinyXML itself: whatever the scan lets through must
// parse into a tree no deeper than the bound, and multi-reference resolution and printing
// of that tree must stay within the bound as well.
#include "messages/ztException.h"
#include "util/ztXMLDepthGuard.h"
#include "util/ztXMLPrinter.h"
#include "ztxmlint/xmlSoapEnvelope.h"

#include <tinyxml.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

size_t deepestElement(const TiXmlNode& inRoot) {
    size_t deepest = 0;
    size_t depth = 0;
    const TiXmlNode* node = inRoot.FirstChild();
    while (node != nullptr) {
        if (node->ToElement() != nullptr && depth + 1 > deepest)
            deepest = depth + 1;
        if (node->FirstChild() != nullptr) {
            node = node->FirstChild();
            ++depth;
            continue;
        }
        while (node != nullptr && node->NextSibling() == nullptr) {
            node = node->Parent();
            if (node == &inRoot)
                return deepest;
            --depth;
        }
        if (node != nullptr)
            node = node->NextSibling();
    }
    return deepest;
}

// What a request parse hands TinyXML, references decoded, must stay within the bound too.
void checkPrepared(const std::string& inText) {
    std::string prepared;
    std::string badReference;
    if (ztXMLPrepare(inText, prepared, badReference) != ztXMLScanResult::ok)
        return;
    TiXmlDocument doc;
    doc.Parse(prepared.c_str(), nullptr, TIXML_ENCODING_LEGACY);
    if (deepestElement(doc) > ztMaxNestingDepth) {
        std::fprintf(stderr, "decoded text parsed %zu levels deep\n", deepestElement(doc));
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* inData, size_t inSize) {
    const std::string text(reinterpret_cast<const char*>(inData), inSize);
    if (!ztXMLDepthWithin(text))
        return 0;
    checkPrepared(text);
    TiXmlDocument doc;
    doc.Parse(text.c_str(), nullptr, TIXML_ENCODING_LEGACY);
    if (deepestElement(doc) > ztMaxNestingDepth) {
        std::fprintf(stderr, "pre-scan passed a tree %zu levels deep\n", deepestElement(doc));
        std::abort();
    }
    try {
        resolveMultiRefs(doc);
    } catch (const ztException&) {
        return 0;
    }
    if (deepestElement(doc) > ztMaxNestingDepth)
        std::abort();
    std::string printed;
    printXml(doc, printed, true, false, true);
    return 0;
}
