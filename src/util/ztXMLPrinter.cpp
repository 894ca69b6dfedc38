// Text output of TinyXML trees.
#include "util/ztXMLPrinter.h"

#include "util/ztHexDigit.h"
#include "util/ztUTF8.h"

#include <cstddef>
#include <cstdint>

namespace {

// Length of the hexadecimal character reference ("&#x", hex digits, ";") that starts at
// inPos, or 0 when there is none. Only a well-formed reference to a character XML allows
// passes through unescaped: anything looser would let markup inside the text reach the
// output raw, and a reference to a surrogate or beyond U+10FFFF would make the whole
// answer unreadable to an XML parser.
size_t hexReferenceLength(std::string_view inText, size_t inPos) {
    if (inText.substr(inPos, 3) != "&#x")
        return 0;
    size_t end = inPos + 3;
    char32_t value = 0;
    for (; end < inText.size() && ztHexDigitValue(inText[end]) >= 0; ++end) {
        value = value * 16 + static_cast<char32_t>(ztHexDigitValue(inText[end]));
        if (value > ztMaxCodePoint)
            value = ztMaxCodePoint + 1;
    }
    if (end == inPos + 3 || end == inText.size() || inText[end] != ';' || !ztIsXmlCharacter(value))
        return 0;
    return end + 1 - inPos;
}

// Printed as it is: printable ASCII other than markup, quotes and the backslash.
bool isPlain(uint8_t inByte) {
    return inByte >= 0x20 && inByte <= 0x7E && inByte != '<' && inByte != '>' && inByte != '"' &&
           inByte != '\'' && inByte != '&' && inByte != '\\';
}

bool isKeptControl(uint8_t inByte) {
    return inByte == '\t' || inByte == '\n' || inByte == '\r';
}

// Length of the character from U+0080 up that starts at inPos and prints as it is: a
// well-formed UTF-8 sequence of a character XML allows (U+FFFE and U+FFFF it does not).
// 0 for anything else, whose bytes print one reference each, as stray bytes always have.
size_t rawCharacterLength(std::string_view inText, size_t inPos) {
    char32_t codePoint = 0;
    const size_t length = ztUTF8SequenceLength(inText, inPos, codePoint);
    if (length < 2 || !ztIsXmlCharacter(codePoint))
        return 0;
    return length;
}

// Visits the node kinds the way TiXmlNode::Accept does, one node at a time.
bool enterNode(TiXmlVisitor& ioVisitor, const TiXmlNode& inNode) {
    switch (inNode.Type()) {
    case TiXmlNode::TINYXML_DOCUMENT:
        return ioVisitor.VisitEnter(*inNode.ToDocument());
    case TiXmlNode::TINYXML_ELEMENT:
        return ioVisitor.VisitEnter(*inNode.ToElement(), inNode.ToElement()->FirstAttribute());
    case TiXmlNode::TINYXML_COMMENT:
        return ioVisitor.Visit(*inNode.ToComment());
    case TiXmlNode::TINYXML_UNKNOWN:
        return ioVisitor.Visit(*inNode.ToUnknown());
    case TiXmlNode::TINYXML_TEXT:
        return ioVisitor.Visit(*inNode.ToText());
    case TiXmlNode::TINYXML_DECLARATION:
        return ioVisitor.Visit(*inNode.ToDeclaration());
    default:
        return true;
    }
}

// For the nodes without an exit call, the answer of their visit also decides whether
// their siblings are visited.
bool leaveNode(TiXmlVisitor& ioVisitor, const TiXmlNode& inNode, bool inEntered) {
    switch (inNode.Type()) {
    case TiXmlNode::TINYXML_DOCUMENT:
        return ioVisitor.VisitExit(*inNode.ToDocument());
    case TiXmlNode::TINYXML_ELEMENT:
        return ioVisitor.VisitExit(*inNode.ToElement());
    default:
        return inEntered;
    }
}

} // namespace

void simpleXmlPrinter::print(const TiXmlNode& inNode) {
    // Depth-first through the parent and sibling links: no recursion and no stack.
    const TiXmlNode* node = &inNode;
    for (;;) {
        const bool entered = enterNode(*this, *node);
        const TiXmlNode* child = entered ? node->FirstChild() : nullptr;
        if (child) {
            node = child;
            continue;
        }
        bool goOn = leaveNode(*this, *node, entered);
        for (;;) {
            if (node == &inNode)
                return;
            const TiXmlNode* sibling = goOn ? node->NextSibling() : nullptr;
            if (sibling) {
                node = sibling;
                break;
            }
            node = node->Parent();
            goOn = leaveNode(*this, *node, true);
        }
    }
}

void simpleXmlPrinter::appendLineStart() {
    itsText += '\n';
    if (itsDepth > 0)
        itsText.append(static_cast<size_t>(itsDepth) * 2, ' ');
}

void simpleXmlPrinter::appendEscaped(std::string_view inText) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (size_t i = 0; i < inText.size(); ++i) {
        // A run of plain characters goes in one piece.
        size_t plain = i;
        while (plain < inText.size() && isPlain(static_cast<uint8_t>(inText[plain])))
            ++plain;
        if (plain > i) {
            itsText.append(inText.data() + i, plain - i);
            i = plain;
            if (i == inText.size())
                return;
        }
        const char c = inText[i];
        const auto byte = static_cast<uint8_t>(c);
        switch (c) {
        case '<':
            itsText += "&lt;";
            continue;
        case '>':
            itsText += "&gt;";
            continue;
        case '"':
            itsText += "&quot;";
            continue;
        case '\'':
            itsText += "&apos;";
            continue;
        case '&':
            if (const size_t length = hexReferenceLength(inText, i)) {
                itsText.append(inText.substr(i, length));
                i += length - 1;
            } else {
                itsText += "&amp;";
            }
            continue;
        default:
            break;
        }
        if (byte >= 0x20 && byte <= 0x7E && c != '\\') {
            itsText += c;
            continue;
        }
        if (const size_t length = byte >= 0x80 ? rawCharacterLength(inText, i) : 0) {
            itsText.append(inText.substr(i, length));
            i += length - 1;
            continue;
        }
        if (itsReplaceControl && byte < 0x20 && !isKeptControl(byte)) {
            itsText += '?';
            continue;
        }
        const char reference[] = {'&', '#', 'x', kHex[byte >> 4], kHex[byte & 0x0F], ';'};
        itsText.append(reference, sizeof reference);
    }
}

bool simpleXmlPrinter::VisitEnter(const TiXmlDocument&) {
    return true;
}

bool simpleXmlPrinter::VisitExit(const TiXmlDocument&) {
    return true;
}

bool simpleXmlPrinter::VisitEnter(const TiXmlElement& inElement,
                                  const TiXmlAttribute* inFirstAttribute) {
    if (itsIndent)
        appendLineStart();
    itsText += '<';
    itsText += inElement.ValueStr();
    if (!itsSkipAttributes) {
        for (const TiXmlAttribute* attribute = inFirstAttribute; attribute;
             attribute = attribute->Next()) {
            itsText += ' ';
            appendEscaped(attribute->NameTStr());
            itsText += "=\"";
            appendEscaped(attribute->ValueStr());
            itsText += '"';
        }
    }
    itsText += inElement.NoChildren() ? " />" : ">";
    ++itsDepth;
    return true;
}

bool simpleXmlPrinter::VisitExit(const TiXmlElement& inElement) {
    --itsDepth;
    if (inElement.NoChildren())
        return true;
    if (itsIndent && inElement.FirstChildElement())
        appendLineStart();
    itsText += "</";
    itsText += inElement.ValueStr();
    itsText += '>';
    return true;
}

bool simpleXmlPrinter::Visit(const TiXmlDeclaration& inDeclaration) {
    itsText += "<?xml ";
    const std::pair<const char*, const char*> parts[] = {
        {"version", inDeclaration.Version()},
        {"encoding", inDeclaration.Encoding()},
        {"standalone", inDeclaration.Standalone()},
    };
    for (const auto& [name, value] : parts) {
        if (!value || !*value)
            continue;
        itsText += name;
        itsText += "=\"";
        itsText += value;
        itsText += "\" ";
    }
    itsText += "?>";
    return true;
}

bool simpleXmlPrinter::Visit(const TiXmlText& inText) {
    if (!inText.CDATA()) {
        appendEscaped(inText.ValueStr());
        return true;
    }
    // A CDATA section cannot hold "]]>"; splitting it across two sections keeps the text
    // exactly as it was for any parser.
    std::string_view rest = inText.ValueStr();
    itsText += "<![CDATA[";
    for (size_t end = rest.find("]]>"); end != std::string_view::npos; end = rest.find("]]>")) {
        itsText.append(rest.substr(0, end + 2));
        itsText += "]]><![CDATA[";
        rest.remove_prefix(end + 2);
    }
    itsText.append(rest);
    itsText += "]]>";
    return true;
}

bool simpleXmlPrinter::Visit(const TiXmlComment& inComment) {
    itsText += "<!--";
    itsText += inComment.ValueStr();
    itsText += "-->";
    return true;
}

bool simpleXmlPrinter::Visit(const TiXmlUnknown& inUnknown) {
    itsText += '<';
    itsText += inUnknown.ValueStr();
    itsText += '>';
    return true;
}

void printXml(const TiXmlNode& inNode, std::string& ioText, bool inReplaceControl,
              bool inSkipAttributes, bool inIndent) {
    simpleXmlPrinter printer(ioText, inReplaceControl, inSkipAttributes, inIndent);
    printer.print(inNode);
}
