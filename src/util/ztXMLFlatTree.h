#pragma once
// An XML tree held in two arrays, its nodes and its attributes, with every text in one
// arena: the form in which answers are typed and printed. A TinyXML tree allocates every
// node, name and text on its own and scatters them over the heap; an answer of a hundred
// thousand records became two million allocations and as many cache misses per walk. Here
// building is appending to a vector, walking is reading it in order, and freeing is a few
// frees (the arrays and the arena's chunks).
//
// Nodes are numbered in the order they were added; 0 is the document, and as a link 0 means
// "none" (the document is nobody's child or sibling), so a link tests like a pointer.
// Removed nodes stay in the arrays, unlinked, until the tree goes.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TiXmlNode;
class ztXMLWriter;

class ztXMLFlatTree {
public:
    using Node = uint32_t;
    using Attribute = uint32_t; // 0: none
    enum class Kind : uint8_t { document, element, text, comment, unknown, declaration };
    static constexpr Node document = 0;

    ztXMLFlatTree();
    ztXMLFlatTree(const ztXMLFlatTree&) = delete;
    ztXMLFlatTree& operator=(const ztXMLFlatTree&) = delete;
    ztXMLFlatTree(ztXMLFlatTree&&) noexcept = default;
    ztXMLFlatTree& operator=(ztXMLFlatTree&&) noexcept = default;
    ~ztXMLFlatTree();

    // Reading. A node's value is an element's name, a text, a comment's or an unknown
    // node's content; value(n).data() is NUL-terminated.
    Kind kind(Node inNode) const { return itsNodes[inNode].kind(); }
    bool isElement(Node inNode) const { return kind(inNode) == Kind::element; }
    std::string_view value(Node inNode) const {
        return {itsNodes[inNode].value, itsNodes[inNode].length()};
    }
    bool isCData(Node inNode) const { return itsNodes[inNode].cdata(); }
    Node parent(Node inNode) const { return itsNodes[inNode].parent; }
    Node firstChild(Node inNode) const { return itsNodes[inNode].first; }
    Node lastChild(Node inNode) const { return itsNodes[inNode].last; }
    Node nextSibling(Node inNode) const { return itsNodes[inNode].next; }
    bool noChildren(Node inNode) const { return itsNodes[inNode].first == 0; }
    Node firstChildElement(Node inNode) const;
    Node firstChildElement(Node inNode, std::string_view inName) const;
    Node nextSiblingElement(Node inNode) const;
    // The text of the node's first child when that child is a text (getText and textOf of
    // the TinyXML helpers).
    bool getText(Node inNode, std::string_view& outText) const;
    std::string_view textOf(Node inNode) const;

    // Attributes in the order they were first set. A declaration's version, encoding and
    // standalone values are attributes of those names.
    Attribute firstAttribute(Node inNode) const { return itsNodes[inNode].firstAttribute; }
    Attribute nextAttribute(Attribute inAttribute) const { return itsAttributes[inAttribute].next; }
    std::string_view attributeName(Attribute inAttribute) const {
        return {itsAttributes[inAttribute].name, itsAttributes[inAttribute].nameLength};
    }
    std::string_view attributeValue(Attribute inAttribute) const {
        return {itsAttributes[inAttribute].value, itsAttributes[inAttribute].valueLength};
    }
    // The NUL-terminated value of the named attribute, null when there is none.
    const char* attribute(Node inNode, std::string_view inName) const;

    // Changes. New nodes and texts may reallocate the arrays but never move a stored text.
    Node appendChild(Node inParent, Kind inKind, std::string_view inValue, bool inCData = false);
    Node prependChild(Node inParent, Kind inKind, std::string_view inValue);
    void setValue(Node inNode, std::string_view inValue);
    // Replaces the value of an attribute of that name in place, else adds one at the end.
    void setAttribute(Node inNode, std::string_view inName, std::string_view inValue);
    void clearChildren(Node inNode) { removeChildrenAfter(inNode, 0); }
    // Unlinks the children that follow inLastKept (all of them when it is 0).
    void removeChildrenAfter(Node inParent, Node inLastKept);
    // Sets the first child's text when it is one, else appends a text.
    void setText(Node inNode, std::string_view inText);
    Node addTextElement(Node inParent, std::string_view inName, std::string_view inText);
    // A declaration whose parts are its attributes "version", "encoding" and "standalone".
    Node appendDeclaration(Node inParent, std::string_view inVersion, std::string_view inEncoding,
                           std::string_view inStandalone);

    // Appends a copy of inSource and its subtree below inParent, exactly as it is (empty
    // texts included), and returns the copy. No recursion, any depth.
    Node appendCopy(Node inParent, const TiXmlNode& inSource);
    // Emits inNode and its subtree as XML events (a document emits its children only).
    void write(Node inNode, ztXMLWriter& ioWriter) const;

    // Room for inNodes more nodes and inTextBytes more bytes of text (NULs included) without
    // moving the arrays or starting another arena chunk: an answer of known size is built
    // without copies.
    void reserve(size_t inNodes, size_t inTextBytes);

    size_t nodeCount() const { return itsNodes.size(); }
    // Bytes of text stored so far, NULs included: with the node count, a bound for printing.
    size_t textBytes() const { return itsTextBytes; }
    // Makes room in ioText for the printed form of this tree (markup around every node, each
    // text about once or twice) before a printer appends it, so that a large answer is
    // written without the string moving; growth stays geometric when a caller prints many
    // trees into one string.
    void reserveForPrinting(std::string& ioText) const;
    // Bytes held by the arrays and the arena.
    size_t memoryUsed() const;

private:
    // 32 bytes: the length, the kind and the CDATA flag share one word. No text can reach
    // 2^28 bytes, since no net object may be larger than 64 MiB.
    struct NodeData {
        static constexpr uint32_t lengthMask = (uint32_t{1} << 28) - 1;
        static constexpr int kindShift = 28;
        static constexpr uint32_t cdataBit = uint32_t{1} << 31;

        const char* value;
        uint32_t bits;
        Node parent;
        Node first;
        Node last;
        Node next;
        Attribute firstAttribute;

        uint32_t length() const { return bits & lengthMask; }
        Kind kind() const { return static_cast<Kind>((bits >> kindShift) & 7); }
        bool cdata() const { return (bits & cdataBit) != 0; }
    };
    struct AttributeData {
        const char* name;
        const char* value;
        uint32_t nameLength;
        uint32_t valueLength;
        Attribute next;
    };

    // A NUL-terminated copy in the arena that stays where it is until the tree goes.
    const char* store(std::string_view inText);
    void addChunk(size_t inSize);
    Node newNode(Node inParent, Kind inKind, std::string_view inValue, bool inCData);

    std::vector<NodeData> itsNodes;
    std::vector<AttributeData> itsAttributes;
    std::vector<std::unique_ptr<char[]>> itsChunks;
    char* itsFree = nullptr;
    size_t itsFreeSize = 0;
    size_t itsArenaSize = 0;
    size_t itsTextBytes = 0;
};
