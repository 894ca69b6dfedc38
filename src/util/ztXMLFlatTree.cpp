// XML trees in arrays: links by number, texts in an arena.
#include "util/ztXMLFlatTree.h"

#include "platform/ztMemoryAdvice.h"
#include "util/ztXMLWriter.h"

#include <tinyxml.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace {

// Large enough that the arena's chunks cost nothing beside the texts, small enough that a
// short answer does not hold much it never uses.
constexpr size_t kFirstChunk = 4096;
constexpr size_t kLargestChunk = size_t{1} << 20;

// An attribute's lengths take a word each; a node's shares its word with the node's kind
// and CDATA flag.
constexpr uint32_t kAttributeLengthLimit = UINT32_MAX;
constexpr uint32_t kNodeLengthLimit = (uint32_t{1} << 28) - 1;

uint32_t checkedLength(size_t inLength, uint32_t inLimit) {
    if (inLength > inLimit)
        throw std::length_error("XML text too long");
    return static_cast<uint32_t>(inLength);
}

} // namespace

ztXMLFlatTree::ztXMLFlatTree() {
    static_assert(sizeof(NodeData) == 32, "a node is meant to fill half a cache line");
    itsNodes.push_back({"", 0, 0, 0, 0, 0, 0}); // the document: kind 0, no text
    itsAttributes.push_back({"", "", 0, 0, 0}); // number 0 means "none"
}

ztXMLFlatTree::~ztXMLFlatTree() = default;

const char* ztXMLFlatTree::store(std::string_view inText) {
    if (inText.empty())
        return "";
    const size_t needed = inText.size() + 1;
    if (needed > itsFreeSize)
        addChunk(std::max(needed, std::clamp(itsArenaSize, kFirstChunk, kLargestChunk)));
    itsTextBytes += needed;
    char* copy = itsFree;
    std::memcpy(copy, inText.data(), inText.size());
    copy[inText.size()] = '\0';
    itsFree += needed;
    itsFreeSize -= needed;
    return copy;
}

void ztXMLFlatTree::addChunk(size_t inSize) {
    // make_unique_for_overwrite: the arena's bytes are written before they are read, and
    // zeroing a large chunk first would touch every page twice.
    itsChunks.push_back(std::make_unique_for_overwrite<char[]>(inSize));
    zt::platform::adviseHugePages(itsChunks.back().get(), inSize);
    itsFree = itsChunks.back().get();
    itsFreeSize = inSize;
    itsArenaSize += inSize;
}

void ztXMLFlatTree::reserve(size_t inNodes, size_t inTextBytes) {
    if (itsNodes.capacity() - itsNodes.size() < inNodes) {
        itsNodes.reserve(itsNodes.size() + inNodes);
        zt::platform::adviseHugePages(itsNodes.data(), itsNodes.capacity() * sizeof(NodeData));
    }
    if (inTextBytes > itsFreeSize)
        addChunk(inTextBytes);
}

ztXMLFlatTree::Node ztXMLFlatTree::newNode(Node inParent, Kind inKind, std::string_view inValue,
                                           bool inCData) {
    if (itsNodes.size() >= UINT32_MAX)
        throw std::length_error("XML tree too large");
    const auto node = static_cast<Node>(itsNodes.size());
    const uint32_t bits = checkedLength(inValue.size(), kNodeLengthLimit) |
                          (static_cast<uint32_t>(inKind) << NodeData::kindShift) |
                          (inCData ? NodeData::cdataBit : 0);
    itsNodes.push_back({store(inValue), bits, inParent, 0, 0, 0, 0});
    return node;
}

ztXMLFlatTree::Node ztXMLFlatTree::firstChildElement(Node inNode) const {
    Node child = itsNodes[inNode].first;
    while (child != 0 && itsNodes[child].kind() != Kind::element)
        child = itsNodes[child].next;
    return child;
}

ztXMLFlatTree::Node ztXMLFlatTree::firstChildElement(Node inNode, std::string_view inName) const {
    for (Node child = firstChildElement(inNode); child != 0; child = nextSiblingElement(child)) {
        if (value(child) == inName)
            return child;
    }
    return 0;
}

ztXMLFlatTree::Node ztXMLFlatTree::nextSiblingElement(Node inNode) const {
    Node sibling = itsNodes[inNode].next;
    while (sibling != 0 && itsNodes[sibling].kind() != Kind::element)
        sibling = itsNodes[sibling].next;
    return sibling;
}

bool ztXMLFlatTree::getText(Node inNode, std::string_view& outText) const {
    const Node first = itsNodes[inNode].first;
    if (first == 0 || itsNodes[first].kind() != Kind::text)
        return false;
    outText = value(first);
    return true;
}

std::string_view ztXMLFlatTree::textOf(Node inNode) const {
    std::string_view text;
    getText(inNode, text);
    return text;
}

const char* ztXMLFlatTree::attribute(Node inNode, std::string_view inName) const {
    for (Attribute a = itsNodes[inNode].firstAttribute; a != 0; a = itsAttributes[a].next) {
        if (attributeName(a) == inName)
            return itsAttributes[a].value;
    }
    return nullptr;
}

ztXMLFlatTree::Node ztXMLFlatTree::appendChild(Node inParent, Kind inKind, std::string_view inValue,
                                               bool inCData) {
    const Node node = newNode(inParent, inKind, inValue, inCData);
    NodeData& parent = itsNodes[inParent];
    if (parent.last != 0)
        itsNodes[parent.last].next = node;
    else
        parent.first = node;
    parent.last = node;
    return node;
}

ztXMLFlatTree::Node ztXMLFlatTree::prependChild(Node inParent, Kind inKind,
                                                std::string_view inValue) {
    const Node node = newNode(inParent, inKind, inValue, false);
    NodeData& parent = itsNodes[inParent];
    itsNodes[node].next = parent.first;
    parent.first = node;
    if (parent.last == 0)
        parent.last = node;
    return node;
}

void ztXMLFlatTree::setValue(Node inNode, std::string_view inValue) {
    const uint32_t length = checkedLength(inValue.size(), kNodeLengthLimit);
    NodeData& node = itsNodes[inNode];
    node.value = store(inValue);
    node.bits = (node.bits & ~NodeData::lengthMask) | length;
}

void ztXMLFlatTree::setAttribute(Node inNode, std::string_view inName, std::string_view inValue) {
    Attribute last = 0;
    for (Attribute a = itsNodes[inNode].firstAttribute; a != 0; a = itsAttributes[a].next) {
        if (attributeName(a) == inName) {
            const uint32_t length = checkedLength(inValue.size(), kAttributeLengthLimit);
            itsAttributes[a].value = store(inValue);
            itsAttributes[a].valueLength = length;
            return;
        }
        last = a;
    }
    if (itsAttributes.size() >= UINT32_MAX)
        throw std::length_error("XML tree too large");
    const auto added = static_cast<Attribute>(itsAttributes.size());
    const uint32_t nameLength = checkedLength(inName.size(), kAttributeLengthLimit);
    const uint32_t valueLength = checkedLength(inValue.size(), kAttributeLengthLimit);
    itsAttributes.push_back({store(inName), store(inValue), nameLength, valueLength, 0});
    if (last != 0)
        itsAttributes[last].next = added;
    else
        itsNodes[inNode].firstAttribute = added;
}

void ztXMLFlatTree::removeChildrenAfter(Node inParent, Node inLastKept) {
    NodeData& parent = itsNodes[inParent];
    if (inLastKept == 0) {
        parent.first = 0;
        parent.last = 0;
        return;
    }
    itsNodes[inLastKept].next = 0;
    parent.last = inLastKept;
}

void ztXMLFlatTree::setText(Node inNode, std::string_view inText) {
    const Node first = itsNodes[inNode].first;
    if (first != 0 && itsNodes[first].kind() == Kind::text) {
        setValue(first, inText);
        return;
    }
    appendChild(inNode, Kind::text, inText);
}

ztXMLFlatTree::Node ztXMLFlatTree::appendDeclaration(Node inParent, std::string_view inVersion,
                                                     std::string_view inEncoding,
                                                     std::string_view inStandalone) {
    const Node declaration = appendChild(inParent, Kind::declaration, {});
    setAttribute(declaration, "version", inVersion);
    setAttribute(declaration, "encoding", inEncoding);
    setAttribute(declaration, "standalone", inStandalone);
    return declaration;
}

ztXMLFlatTree::Node ztXMLFlatTree::addTextElement(Node inParent, std::string_view inName,
                                                  std::string_view inText) {
    const Node element = appendChild(inParent, Kind::element, inName);
    appendChild(element, Kind::text, inText);
    return element;
}

namespace {

const char* orEmpty(const char* inText) {
    return inText ? inText : "";
}

} // namespace

ztXMLFlatTree::Node ztXMLFlatTree::appendCopy(Node inParent, const TiXmlNode& inSource) {
    Node copy = 0;
    Node target = inParent;
    const TiXmlNode* node = &inSource;
    for (;;) {
        Node added = 0;
        switch (node->Type()) {
        case TiXmlNode::TINYXML_DOCUMENT:
            added = target; // a document's children land where the copy goes
            break;
        case TiXmlNode::TINYXML_ELEMENT:
            added = appendChild(target, Kind::element, node->ValueStr());
            for (const TiXmlAttribute* a = node->ToElement()->FirstAttribute(); a; a = a->Next())
                setAttribute(added, a->NameTStr(), a->ValueStr());
            break;
        case TiXmlNode::TINYXML_TEXT:
            added = appendChild(target, Kind::text, node->ValueStr(), node->ToText()->CDATA());
            break;
        case TiXmlNode::TINYXML_COMMENT:
            added = appendChild(target, Kind::comment, node->ValueStr());
            break;
        case TiXmlNode::TINYXML_DECLARATION: {
            const TiXmlDeclaration* declaration = node->ToDeclaration();
            added = appendDeclaration(target, orEmpty(declaration->Version()),
                                      orEmpty(declaration->Encoding()),
                                      orEmpty(declaration->Standalone()));
            break;
        }
        default:
            added = appendChild(target, Kind::unknown, node->ValueStr());
            break;
        }
        if (node == &inSource)
            copy = added;
        if (const TiXmlNode* child = node->FirstChild()) {
            target = added;
            node = child;
            continue;
        }
        for (;;) {
            if (node == &inSource)
                return copy;
            if (const TiXmlNode* sibling = node->NextSibling()) {
                node = sibling;
                break;
            }
            node = node->Parent();
            target = parent(target);
        }
    }
}

void ztXMLFlatTree::write(Node inNode, ztXMLWriter& ioWriter) const {
    Node node = inNode;
    for (;;) {
        const NodeData& data = itsNodes[node];
        switch (data.kind()) {
        case Kind::document:
            break;
        case Kind::element:
            ioWriter.startElement(data.value);
            for (Attribute a = data.firstAttribute; a != 0; a = itsAttributes[a].next)
                ioWriter.attribute(itsAttributes[a].name, itsAttributes[a].value);
            break;
        case Kind::text:
            ioWriter.text(data.value, data.cdata());
            break;
        case Kind::comment:
            ioWriter.comment(data.value);
            break;
        case Kind::unknown:
            ioWriter.unknown(data.value);
            break;
        case Kind::declaration:
            ioWriter.declaration(attribute(node, "version"), attribute(node, "encoding"),
                                 attribute(node, "standalone"));
            break;
        }
        if (data.first != 0) {
            node = data.first;
            continue;
        }
        for (;;) {
            if (itsNodes[node].kind() == Kind::element)
                ioWriter.endElement();
            if (node == inNode)
                return;
            if (itsNodes[node].next != 0) {
                node = itsNodes[node].next;
                break;
            }
            node = itsNodes[node].parent;
        }
    }
}

void ztXMLFlatTree::reserveForPrinting(std::string& ioText) const {
    const size_t needed = ioText.size() + 2 * itsTextBytes + 8 * itsNodes.size();
    if (needed <= ioText.capacity())
        return;
    ioText.reserve(std::max(needed, 2 * ioText.capacity()));
    zt::platform::adviseHugePages(ioText.data(), ioText.capacity());
}

size_t ztXMLFlatTree::memoryUsed() const {
    return itsNodes.capacity() * sizeof(NodeData) +
           itsAttributes.capacity() * sizeof(AttributeData) + itsArenaSize;
}
