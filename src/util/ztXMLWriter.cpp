// The tree walk and the net-form replay shared by every XML writer.
#include "util/ztXMLWriter.h"

#include "messages/ztErr.h"
#include "messages/ztException.h"
#include "messages/ztMessageTexts.h"
#include "netobjects/ztNetReader.h"

namespace {

// The event that opens inNode, with an element's attributes.
void enterNode(ztXMLWriter& ioWriter, const TiXmlNode& inNode) {
    switch (inNode.Type()) {
    case TiXmlNode::TINYXML_DOCUMENT:
        ioWriter.document(inNode.Value());
        return;
    case TiXmlNode::TINYXML_ELEMENT:
        ioWriter.startElement(inNode.Value());
        for (const TiXmlAttribute* attribute = inNode.ToElement()->FirstAttribute(); attribute;
             attribute = attribute->Next())
            ioWriter.attribute(attribute->Name(), attribute->Value());
        return;
    case TiXmlNode::TINYXML_COMMENT:
        ioWriter.comment(inNode.Value());
        return;
    case TiXmlNode::TINYXML_TEXT:
        ioWriter.text(inNode.Value(), inNode.ToText()->CDATA());
        return;
    case TiXmlNode::TINYXML_DECLARATION: {
        const TiXmlDeclaration* declaration = inNode.ToDeclaration();
        ioWriter.declaration(declaration->Version(), declaration->Encoding(),
                             declaration->Standalone());
        return;
    }
    default:
        ioWriter.unknown(inNode.Value());
        return;
    }
}

void leaveNode(ztXMLWriter& ioWriter, const TiXmlNode& inNode) {
    if (inNode.Type() == TiXmlNode::TINYXML_ELEMENT)
        ioWriter.endElement();
}

[[noreturn]] void throwUnexpectedData() {
    throw ztException(ztErr_unexpectedData, ztText::unexpectedData);
}

} // namespace

void ztXMLWriter::writeChildren(const TiXmlNode& inNode) {
    for (const TiXmlNode* child = inNode.FirstChild(); child; child = child->NextSibling())
        writeNode(*child);
}

void ztXMLWriter::writeNode(const TiXmlNode& inNode) {
    // Depth-first through the parent and sibling links: no recursion and no stack.
    const TiXmlNode* node = &inNode;
    for (;;) {
        enterNode(*this, *node);
        if (const TiXmlNode* child = node->FirstChild()) {
            node = child;
            continue;
        }
        for (;;) {
            leaveNode(*this, *node);
            if (node == &inNode)
                return;
            if (const TiXmlNode* sibling = node->NextSibling()) {
                node = sibling;
                break;
            }
            node = node->Parent();
        }
    }
}

void ztXMLWriter::replay(ztNetReader& ioReader) {
    size_t depth = 0;
    for (;;) {
        switch (static_cast<ztXMLNetTag>(ioReader.getUInt8())) {
        case ztXMLNetTag::end:
            return;
        case ztXMLNetTag::document:
            document(ioReader.getConstString());
            break;
        case ztXMLNetTag::declaration: {
            const char* version = ioReader.getConstString();
            const char* encoding = ioReader.getConstString();
            declaration(version, encoding, ioReader.getConstString());
            break;
        }
        case ztXMLNetTag::comment:
            comment(ioReader.getConstString());
            break;
        case ztXMLNetTag::startElement:
            if (depth == maxReplayDepth)
                throwUnexpectedData();
            ++depth;
            startElement(ioReader.getConstString());
            break;
        case ztXMLNetTag::endElement:
            // Climbing above the start would let the stream write outside the node the
            // writer was placed on.
            if (depth == 0)
                throwUnexpectedData();
            --depth;
            endElement();
            break;
        case ztXMLNetTag::attribute: {
            const char* name = ioReader.getConstString();
            attribute(name, ioReader.getConstString());
            break;
        }
        case ztXMLNetTag::text: {
            const bool isCData = ioReader.getBool();
            text(ioReader.getConstString(), isCData);
            break;
        }
        case ztXMLNetTag::unknown:
            unknown(ioReader.getConstString());
            break;
        default:
            // A record kind this side does not know: only its tag byte can be skipped.
            break;
        }
    }
}
