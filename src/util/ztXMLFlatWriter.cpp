// XML events into a flat tree.
#include "util/ztXMLFlatWriter.h"

namespace {

const char* orEmpty(const char* inText) {
    return inText ? inText : "";
}

} // namespace

using Kind = ztXMLFlatTree::Kind;

void ztXMLFlatWriter::declaration(const char* inVersion, const char* inEncoding,
                                  const char* inStandalone) {
    itsTree.appendDeclaration(itsCurrentNode, inVersion ? inVersion : "1.0",
                              inEncoding ? inEncoding : "utf-8", orEmpty(inStandalone));
}

void ztXMLFlatWriter::startElement(const char* inName) {
    itsCurrentNode = itsTree.appendChild(itsCurrentNode, Kind::element, orEmpty(inName));
}

void ztXMLFlatWriter::endElement() {
    itsCurrentNode = itsTree.parent(itsCurrentNode);
}

void ztXMLFlatWriter::text(const char* inText, bool inIsCData) {
    if (!inText || !*inText)
        return;
    itsTree.appendChild(itsCurrentNode, Kind::text, inText, inIsCData);
}

void ztXMLFlatWriter::attribute(const char* inName, const char* inValue) {
    if (!inName || !*inName || !itsTree.isElement(itsCurrentNode))
        return;
    itsTree.setAttribute(itsCurrentNode, inName, orEmpty(inValue));
}

void ztXMLFlatWriter::comment(const char* inText) {
    itsTree.appendChild(itsCurrentNode, Kind::comment, orEmpty(inText));
}

void ztXMLFlatWriter::document(const char*) {}

void ztXMLFlatWriter::unknown(const char* inText) {
    itsTree.appendChild(itsCurrentNode, Kind::unknown, orEmpty(inText));
}
