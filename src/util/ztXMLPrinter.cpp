// Text output of XML trees.
#include "util/ztXMLPrinter.h"

#include "util/ztHexDigit.h"
#include "util/ztUTF8.h"

#include <tinyxml.h>

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
constexpr bool isPlainByte(uint8_t inByte) {
    return inByte >= 0x20 && inByte <= 0x7E && inByte != '<' && inByte != '>' && inByte != '"' &&
           inByte != '\'' && inByte != '&' && inByte != '\\';
}

struct PlainTable {
    bool plain[256];
    constexpr PlainTable() : plain() {
        for (int i = 0; i < 256; ++i)
            plain[i] = isPlainByte(static_cast<uint8_t>(i));
    }
};

constexpr PlainTable kPlain;

bool isPlain(uint8_t inByte) {
    return kPlain.plain[inByte];
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

class Printer {
public:
    Printer(const ztXMLFlatTree& inTree, std::string& ioText, bool inReplaceControl,
            bool inSkipAttributes, bool inIndent)
        : itsTree(inTree), itsText(ioText), itsReplaceControl(inReplaceControl),
          itsSkipAttributes(inSkipAttributes), itsIndent(inIndent) {}

    void print(ztXMLFlatTree::Node inNode) {
        // Depth-first through the parent and sibling links: no recursion and no stack.
        ztXMLFlatTree::Node node = inNode;
        for (;;) {
            enter(node);
            if (const ztXMLFlatTree::Node child = itsTree.firstChild(node)) {
                node = child;
                continue;
            }
            for (;;) {
                leave(node);
                if (node == inNode)
                    return;
                if (const ztXMLFlatTree::Node sibling = itsTree.nextSibling(node)) {
                    node = sibling;
                    break;
                }
                node = itsTree.parent(node);
            }
        }
    }

private:
    using Kind = ztXMLFlatTree::Kind;

    void enter(ztXMLFlatTree::Node inNode) {
        switch (itsTree.kind(inNode)) {
        case Kind::document:
            return;
        case Kind::element:
            startTag(inNode);
            return;
        case Kind::text:
            text(inNode);
            return;
        case Kind::comment:
            itsText += "<!--";
            itsText += itsTree.value(inNode);
            itsText += "-->";
            return;
        case Kind::unknown:
            itsText += '<';
            itsText += itsTree.value(inNode);
            itsText += '>';
            return;
        case Kind::declaration:
            declaration(inNode);
            return;
        }
    }

    void leave(ztXMLFlatTree::Node inNode) {
        if (itsTree.kind(inNode) != Kind::element)
            return;
        --itsDepth;
        if (itsTree.noChildren(inNode))
            return;
        if (itsIndent && itsTree.firstChildElement(inNode))
            appendLineStart();
        itsText += "</";
        itsText += itsTree.value(inNode);
        itsText += '>';
    }

    void startTag(ztXMLFlatTree::Node inNode) {
        if (itsIndent)
            appendLineStart();
        itsText += '<';
        itsText += itsTree.value(inNode);
        if (!itsSkipAttributes) {
            for (auto a = itsTree.firstAttribute(inNode); a; a = itsTree.nextAttribute(a)) {
                itsText += ' ';
                appendEscaped(itsTree.attributeName(a));
                itsText += "=\"";
                appendEscaped(itsTree.attributeValue(a));
                itsText += '"';
            }
        }
        itsText += itsTree.noChildren(inNode) ? " />" : ">";
        ++itsDepth;
    }

    void declaration(ztXMLFlatTree::Node inNode) {
        itsText += "<?xml ";
        for (const char* name : {"version", "encoding", "standalone"}) {
            const char* value = itsTree.attribute(inNode, name);
            if (!value || !*value)
                continue;
            itsText += name;
            itsText += "=\"";
            itsText += value;
            itsText += "\" ";
        }
        itsText += "?>";
    }

    void text(ztXMLFlatTree::Node inNode) {
        std::string_view rest = itsTree.value(inNode);
        if (!itsTree.isCData(inNode)) {
            appendEscaped(rest);
            return;
        }
        // A CDATA section cannot hold "]]>"; splitting it across two sections keeps the text
        // exactly as it was for any parser.
        itsText += "<![CDATA[";
        for (size_t end = rest.find("]]>"); end != std::string_view::npos; end = rest.find("]]>")) {
            itsText.append(rest.substr(0, end + 2));
            itsText += "]]><![CDATA[";
            rest.remove_prefix(end + 2);
        }
        itsText.append(rest);
        itsText += "]]>";
    }

    void appendLineStart() {
        itsText += '\n';
        if (itsDepth > 0)
            itsText.append(static_cast<size_t>(itsDepth) * 2, ' ');
    }

    void appendEscaped(std::string_view inText);

    const ztXMLFlatTree& itsTree;
    std::string& itsText; // not owned
    bool itsReplaceControl;
    bool itsSkipAttributes;
    bool itsIndent;
    int itsDepth = 0;
};

void Printer::appendEscaped(std::string_view inText) {
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

} // namespace

void printXml(const ztXMLFlatTree& inTree, ztXMLFlatTree::Node inNode, std::string& ioText,
              bool inReplaceControl, bool inSkipAttributes, bool inIndent) {
    inTree.reserveForPrinting(ioText);
    Printer(inTree, ioText, inReplaceControl, inSkipAttributes, inIndent).print(inNode);
}

void printXml(const TiXmlNode& inNode, std::string& ioText, bool inReplaceControl,
              bool inSkipAttributes, bool inIndent) {
    ztXMLFlatTree tree;
    const ztXMLFlatTree::Node copy = tree.appendCopy(ztXMLFlatTree::document, inNode);
    printXml(tree, copy, ioText, inReplaceControl, inSkipAttributes, inIndent);
}
