// XML events into a TinyXML tree.
#include "util/ztXMLTinyWriter.h"

namespace {

const char* orEmpty(const char* inText) {
    return inText ? inText : "";
}

} // namespace

void ztXMLTinyWriter::append(TiXmlNode* inNode) {
    // Takes ownership of inNode and cannot fail.
    itsCurrentNode->LinkEndChild(inNode);
}

void ztXMLTinyWriter::declaration(const char* inVersion, const char* inEncoding,
                                  const char* inStandalone) {
    if (!itsCurrentNode)
        return;
    append(new TiXmlDeclaration(inVersion ? inVersion : "1.0", inEncoding ? inEncoding : "utf-8",
                                orEmpty(inStandalone)));
}

void ztXMLTinyWriter::startElement(const char* inName) {
    if (!itsCurrentNode)
        return;
    auto* element = new TiXmlElement(orEmpty(inName));
    append(element);
    itsCurrentNode = element;
}

void ztXMLTinyWriter::endElement() {
    if (!itsCurrentNode)
        return;
    itsCurrentNode = itsCurrentNode->Parent();
}

void ztXMLTinyWriter::text(const char* inText, bool inIsCData) {
    if (!itsCurrentNode || !inText || !*inText)
        return;
    auto* text = new TiXmlText(inText);
    text->SetCDATA(inIsCData);
    append(text);
}

void ztXMLTinyWriter::attribute(const char* inName, const char* inValue) {
    // XML has no attribute without a name, and TinyXML cannot hold two: adding any
    // attribute beside a nameless one fails its own assertion, which aborts the process.
    if (!itsCurrentNode || !inName || !*inName)
        return;
    if (TiXmlElement* element = itsCurrentNode->ToElement())
        element->SetAttribute(inName, orEmpty(inValue));
}

void ztXMLTinyWriter::comment(const char* inText) {
    if (!itsCurrentNode)
        return;
    append(new TiXmlComment(orEmpty(inText)));
}

void ztXMLTinyWriter::document(const char*) {}

void ztXMLTinyWriter::unknown(const char* inText) {
    if (!itsCurrentNode)
        return;
    auto* node = new TiXmlUnknown;
    node->SetValue(orEmpty(inText));
    append(node);
}
