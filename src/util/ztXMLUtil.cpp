// The JSON reader (on the stream lexer), the JSON writer driven by "type" attributes, JSON
// string escaping and the element text helpers.
#include "util/ztXMLUtil.h"

#include "messages/ztAssert.h"
#include "messages/ztErr.h"
#include "messages/ztException.h"
#include "messages/ztMessageTexts.h"
#include "util/ztStreamLexer.h"
#include "util/ztUTF8.h"

#include <tinyxml.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace ztXMLUtil {
namespace {

char lowerAscii(char inChar) {
    return inChar >= 'A' && inChar <= 'Z' ? static_cast<char>(inChar - 'A' + 'a') : inChar;
}

int compareNoCase(std::string_view inLeft, std::string_view inRight) {
    const size_t common = std::min(inLeft.size(), inRight.size());
    for (size_t i = 0; i < common; ++i) {
        const auto left = static_cast<unsigned char>(lowerAscii(inLeft[i]));
        const auto right = static_cast<unsigned char>(lowerAscii(inRight[i]));
        if (left != right)
            return left < right ? -1 : 1;
    }
    if (inLeft.size() == inRight.size())
        return 0;
    return inLeft.size() < inRight.size() ? -1 : 1;
}

bool equalsNoCase(std::string_view inLeft, std::string_view inRight) {
    return compareNoCase(inLeft, inRight) == 0;
}

struct TypeRow {
    const char* name;
    JsonType type;
};

// Sorted by name ignoring case: looked up by binary search.
constexpr TypeRow kTypeTable[] = {
    {"array", jsonArray},     {"boolean", jsonBoolean},    {"int", jsonInt},
    {"null", jsonNull},       {"number", jsonInt},         {"object", jsonObject},
    {"real", jsonReal},       {"s:boolean", jsonBoolean},  {"s:int", jsonInt},
    {"s:string", jsonString}, {"s:unsignedInt", jsonUInt}, {"str", jsonString},
    {"string", jsonString},   {"struct", jsonObject},      {"uint", jsonUInt},
};

constexpr const char* kTypeNames[] = {"null",    "int",   "uint",   "real",   "string",
                                      "boolean", "array", "object", "unknown"};

// ---------------------------------------------------------------------------------------------
// Reading JSON

bool isQuoted(std::string_view inWord) {
    return inWord.size() >= 2 && (inWord.front() == '"' || inWord.front() == '\'') &&
           inWord.back() == inWord.front();
}

std::string_view unquote(std::string_view inWord) {
    return isQuoted(inWord) ? inWord.substr(1, inWord.size() - 2) : inWord;
}

int hexValue(char inChar) {
    if (inChar >= '0' && inChar <= '9')
        return inChar - '0';
    const char lower = lowerAscii(inChar);
    if (lower >= 'a' && lower <= 'f')
        return lower - 'a' + 10;
    return -1;
}

// The value of the four hex digits at inPos, or -1 when inText holds no four there.
int32_t hex4At(std::string_view inText, size_t inPos) {
    if (inPos > inText.size() || inText.size() - inPos < 4)
        return -1;
    int32_t value = 0;
    for (size_t i = inPos; i < inPos + 4; ++i) {
        const int digit = hexValue(inText[i]);
        if (digit < 0)
            return -1;
        value = value * 16 + digit;
    }
    return value;
}

// The character of a "\uXXXX" escape with the value inFirst; ioPos is just behind its
// digits. A high surrogate takes the low surrogate escape that follows it, and ioPos moves
// behind that one too. A surrogate without its partner names no character and reads as
// U+FFFD; an escape after a lone high surrogate is read on its own.
char32_t readUnicodeEscape(std::string_view inText, size_t& ioPos, char32_t inFirst) {
    if (inFirst < 0xD800 || inFirst > 0xDBFF)
        return ztIsSurrogate(inFirst) ? ztReplacementCharacter : inFirst;
    if (inText.substr(ioPos, 2) != "\\u")
        return ztReplacementCharacter;
    const int32_t second = hex4At(inText, ioPos + 2);
    if (second < 0xDC00 || second > 0xDFFF)
        return ztReplacementCharacter;
    ioPos += 6;
    return 0x10000 + ((inFirst - 0xD800) << 10) + (static_cast<char32_t>(second) - 0xDC00);
}

// JSON escapes: "\uXXXX" is the code point XXXX in UTF-8 (a surrogate pair one character
// above U+FFFF), the short escapes their control characters, a backslash before any other
// character that character ("\u" without four hex digits a plain u). Every other byte,
// malformed UTF-8 included, is taken as it is.
std::string unescape(std::string_view inText) {
    std::string result;
    result.reserve(inText.size());
    for (size_t i = 0; i < inText.size(); ++i) {
        const char c = inText[i];
        if (c != '\\' || i + 1 == inText.size()) {
            result.push_back(c);
            continue;
        }
        const char next = inText[++i];
        if (next == 'u') {
            if (const int32_t first = hex4At(inText, i + 1); first >= 0) {
                i += 5;
                ztAppendUTF8(result, readUnicodeEscape(inText, i, static_cast<char32_t>(first)));
                --i;
                continue;
            }
        }
        switch (next) {
        case 'b':
            result.push_back('\b');
            break;
        case 'f':
            result.push_back('\f');
            break;
        case 'n':
            result.push_back('\n');
            break;
        case 'r':
            result.push_back('\r');
            break;
        case 't':
            result.push_back('\t');
            break;
        default:
            result.push_back(next);
            break;
        }
    }
    return result;
}

// Reads a JSON object with an explicit stack of open containers, so that the nesting depth
// costs heap (bounded by jsonMaxDepth), never call stack.
class JsonReader {
public:
    explicit JsonReader(std::string_view inText, bool inArraysAsItems)
        : itsLexer(inText), itsArraysAsItems(inArraysAsItems) {
        itsLexer.addCharClass("[{]}:,", ztCustomStreamLexer::classSingleChar);
        itsLexer.setEscapes(false);
    }

    // Throws ztException for the lexer's errors.
    bool read(TiXmlNode* ioRoot) {
        if (itsLexer.nextToken() != '{')
            return false;
        itsOpen.push_back({ioRoot, false, std::string()});
        while (!itsOpen.empty()) {
            const int token = itsLexer.nextToken();
            const bool isArray = itsOpen.back().isArray;
            if (token == (isArray ? ']' : '}')) {
                itsOpen.pop_back();
                continue;
            }
            if (token == ',')
                continue;
            if (isArray) {
                // Copies: reading the value may push onto itsOpen.
                TiXmlNode* container = itsOpen.back().container;
                const std::string itemName = itsOpen.back().itemName;
                if (!readValue(container, itemName, token))
                    return false;
            } else if (!readMember(itsOpen.back().container, token)) {
                return false;
            }
        }
        return itsLexer.nextToken() == ztCustomStreamLexer::tokenEndOfFile;
    }

private:
    struct Open {
        TiXmlNode* container; // where members or entries go
        bool isArray;
        std::string itemName; // the name given to array entries
    };

    bool readMember(TiXmlNode* ioObject, int inToken) {
        if (inToken != ztCustomStreamLexer::tokenWord)
            return false;
        const std::string name(unquote(itsLexer.tokenText()));
        if (name.empty() || itsLexer.nextToken() != ':')
            return false;
        if (name.front() == '@')
            return readAttribute(ioObject, name.substr(1));
        if (name == "#text" || name == "#cdata")
            return readText(ioObject, name == "#cdata");
        return readValue(ioObject, name, itsLexer.nextToken());
    }

    // The value of an "@" member: a quoted word only.
    bool readAttribute(TiXmlNode* ioObject, const std::string& inName) {
        TiXmlElement* element = ioObject->ToElement();
        // TinyXML finds attributes by C string: a name with a NUL could be set but never
        // found or removed again.
        if (!element || inName.empty() || inName.find('\0') != std::string::npos)
            return false;
        if (itsLexer.nextToken() != ztCustomStreamLexer::tokenWord ||
            !isQuoted(itsLexer.tokenText()))
            return false;
        element->SetAttribute(inName, unescape(unquote(itsLexer.tokenText())));
        return true;
    }

    bool readText(TiXmlNode* ioObject, bool inCData) {
        if (itsLexer.nextToken() != ztCustomStreamLexer::tokenWord ||
            !isQuoted(itsLexer.tokenText()))
            return false;
        auto* text = new TiXmlText(unescape(unquote(itsLexer.tokenText())));
        text->SetCDATA(inCData);
        ioObject->LinkEndChild(text);
        return true;
    }

    bool readValue(TiXmlNode* ioParent, const std::string& inName, int inToken) {
        if (inToken == ztCustomStreamLexer::tokenWord) {
            TiXmlNode* element = ioParent->LinkEndChild(new TiXmlElement(inName));
            const std::string_view word = itsLexer.tokenText();
            if (word == "null")
                return true;
            const std::string text = isQuoted(word) ? unescape(unquote(word)) : std::string(word);
            element->LinkEndChild(new TiXmlText(text));
            return true;
        }
        if (inToken != '{' && inToken != '[')
            return false;
        if (itsOpen.size() >= jsonMaxDepth)
            return false;
        if (inToken == '{') {
            itsOpen.push_back({ioParent->LinkEndChild(new TiXmlElement(inName)), false, {}});
            return true;
        }
        if (itsArraysAsItems) {
            itsOpen.push_back({ioParent->LinkEndChild(new TiXmlElement(inName)), true, "item"});
            return true;
        }
        itsOpen.push_back({ioParent, true, inName});
        return true;
    }

    ztStreamLexer itsLexer;
    bool itsArraysAsItems;
    std::vector<Open> itsOpen;
};

using AttributeList = std::vector<std::pair<std::string, std::string>>;

AttributeList attributesOf(const TiXmlElement* inElement) {
    AttributeList result;
    if (!inElement)
        return result;
    for (const TiXmlAttribute* a = inElement->FirstAttribute(); a; a = a->Next())
        result.emplace_back(a->Name(), a->Value());
    return result;
}

void restoreAttributes(TiXmlElement* ioElement, const AttributeList& inAttributes) {
    if (!ioElement)
        return;
    while (const TiXmlAttribute* a = ioElement->FirstAttribute()) {
        ioElement->RemoveAttribute(a->Name());
        if (ioElement->FirstAttribute() == a)
            break; // not removable by name; never loop on it
    }
    for (const auto& [name, value] : inAttributes)
        ioElement->SetAttribute(name, value);
}

// ---------------------------------------------------------------------------------------------
// Writing JSON

// Indentation stops growing at this level, so that the output of a pathologically deep tree
// stays proportional to its size instead of growing with the square of its depth.
constexpr int kIndentLevelLimit = 512;

void appendIndent(std::string& ioOutput, int inLevel) {
    ioOutput.append(static_cast<size_t>(std::min(inLevel, kIndentLevelLimit)) * 2, ' ');
}

// The grammar of a JSON number: -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
bool isJsonNumber(std::string_view inText) {
    size_t i = 0;
    const size_t n = inText.size();
    auto digits = [&] {
        const size_t start = i;
        while (i < n && inText[i] >= '0' && inText[i] <= '9')
            ++i;
        return i - start;
    };
    if (i < n && inText[i] == '-')
        ++i;
    if (i < n && inText[i] == '0')
        ++i;
    else if (digits() == 0)
        return false;
    if (i < n && inText[i] == '.') {
        ++i;
        if (digits() == 0)
            return false;
    }
    if (i < n && (inText[i] == 'e' || inText[i] == 'E')) {
        ++i;
        if (i < n && (inText[i] == '+' || inText[i] == '-'))
            ++i;
        if (digits() == 0)
            return false;
    }
    return i == n;
}

bool isFalseText(std::string_view inText) {
    return inText.empty() || inText.front() == '0' || equalsNoCase(inText, "f") ||
           equalsNoCase(inText, "false");
}

bool isPrintableAscii(unsigned char inChar) {
    return inChar >= 0x20 && inChar <= 0x7E;
}

// The short escape of a byte, or 0 when it has none.
char shortEscape(char inChar) {
    switch (inChar) {
    case '"':
        return '"';
    case '\\':
        return '\\';
    case '\b':
        return 'b';
    case '\t':
        return 't';
    case '\n':
        return 'n';
    case '\f':
        return 'f';
    case '\r':
        return 'r';
    default:
        return 0;
    }
}

bool needsJsonEscape(char inChar) {
    return !isPrintableAscii(static_cast<unsigned char>(inChar)) || inChar == '"' || inChar == '\\';
}

// Appends inText escaped as jsonEscape does; runs that need no escape, and well-formed UTF-8,
// go in one piece.
void appendJsonEscaped(std::string_view inText, std::string& ioOutput) {
    static constexpr char kHex[] = "0123456789abcdef";
    size_t start = 0;
    for (size_t i = 0; i < inText.size(); ++i) {
        const char c = inText[i];
        if (!needsJsonEscape(c))
            continue;
        const auto byte = static_cast<unsigned char>(c);
        char32_t codePoint = 0;
        if (const size_t length = byte >= 0x80 ? ztUTF8SequenceLength(inText, i, codePoint) : 0) {
            i += length - 1;
            continue;
        }
        ioOutput.append(inText.data() + start, i - start);
        start = i + 1;
        if (const char escape = shortEscape(c)) {
            ioOutput += '\\';
            ioOutput += escape;
        } else {
            // Controls, DEL and the bytes of malformed UTF-8, one escape per byte.
            const char reference[] = {'\\', 'u', '0', '0', kHex[byte >> 4], kHex[byte & 0x0F]};
            ioOutput.append(reference, sizeof reference);
        }
    }
    ioOutput.append(inText.data() + start, inText.size() - start);
}

void writeScalar(JsonType inType, std::string_view inText, std::string& ioOutput) {
    switch (inType) {
    case jsonNull:
        ioOutput += "null";
        return;
    case jsonInt:
    case jsonUInt:
    case jsonReal:
        // A text that is no number is written as a string: unquoted it would make the whole
        // answer invalid JSON, or let the text inject members of its own.
        if (!isJsonNumber(inText))
            break;
        ioOutput += inText;
        return;
    case jsonBoolean:
        ioOutput += isFalseText(inText) ? "false" : "true";
        return;
    default:
        break;
    }
    ioOutput += '"';
    appendJsonEscaped(inText, ioOutput);
    ioOutput += '"';
}

using Node = ztXMLFlatTree::Node;

bool hasLaterSiblingNamedLike(const ztXMLFlatTree& inTree, Node inElement) {
    const std::string_view name = inTree.value(inElement);
    for (Node e = inTree.nextSiblingElement(inElement); e; e = inTree.nextSiblingElement(e)) {
        if (inTree.value(e) == name)
            return true;
    }
    return false;
}

// The form an element takes: its declared type, or for an undeclared one the shape of its
// children.
JsonType formOf(const ztXMLFlatTree& inTree, Node inElement) {
    const JsonType type = jsonTypeFromAttribute(inTree.attribute(inElement, "type"));
    if (type != jsonUnknown)
        return type;
    const Node first = inTree.firstChildElement(inElement);
    if (!first)
        return jsonString;
    return hasLaterSiblingNamedLike(inTree, first) ? jsonArray : jsonObject;
}

class JsonWriter {
public:
    JsonWriter(const ztXMLFlatTree& inTree, std::string& ioOutput)
        : itsTree(inTree), itsOutput(ioOutput) {}

    void write(Node inElement, int inLevel) {
        startValue(inElement, inLevel);
        while (!itsOpen.empty()) {
            Open& open = itsOpen.back();
            const Node child = open.next;
            if (!child) {
                close(open);
                itsOpen.pop_back();
                continue;
            }
            open.next = itsTree.nextSiblingElement(child);
            startMember(open, child);
            // May push, so open is not used after this line.
            startValue(child, open.level < 0 ? -1 : open.level + 1);
        }
    }

private:
    struct Open {
        Node next; // the next child to write
        bool isArray;
        bool empty;
        int level;
    };

    void startValue(Node inElement, int inLevel) {
        const JsonType form = formOf(itsTree, inElement);
        if (form != jsonArray && form != jsonObject) {
            writeScalar(form, itsTree.textOf(inElement), itsOutput);
            return;
        }
        const bool isArray = form == jsonArray;
        itsOutput += isArray ? '[' : '{';
        itsOpen.push_back({itsTree.firstChildElement(inElement), isArray, true, inLevel});
    }

    void startMember(Open& ioOpen, Node inChild) {
        if (!ioOpen.empty)
            itsOutput += ',';
        ioOpen.empty = false;
        const bool indent = ioOpen.level >= 0;
        if (indent) {
            itsOutput += '\n';
            appendIndent(itsOutput, ioOpen.level + 1);
        }
        if (ioOpen.isArray)
            return;
        // Names are not escaped: names read from JSON keep their escapes as written.
        itsOutput += '"';
        itsOutput += itsTree.value(inChild);
        itsOutput += "\":";
        if (indent)
            itsOutput += ' ';
    }

    void close(const Open& inOpen) {
        if (inOpen.level >= 0 && !inOpen.empty) {
            itsOutput += '\n';
            appendIndent(itsOutput, inOpen.level);
        }
        itsOutput += inOpen.isArray ? ']' : '}';
    }

    const ztXMLFlatTree& itsTree;
    std::string& itsOutput;
    std::vector<Open> itsOpen;
};

} // namespace

const char* jsonTypeName(int inType) {
    if (inType < jsonNull || inType > jsonUnknown)
        return kTypeNames[jsonUnknown];
    return kTypeNames[inType];
}

JsonType jsonTypeFromAttribute(const char* inValue) {
    if (!inValue)
        return jsonUnknown;
    const std::string_view value(inValue);
    const auto* end = std::end(kTypeTable);
    const auto* row = std::lower_bound(std::begin(kTypeTable), end, value,
                                       [](const TypeRow& inRow, std::string_view inName) {
                                           return compareNoCase(inRow.name, inName) < 0;
                                       });
    if (row == end || compareNoCase(row->name, value) != 0)
        return jsonUnknown;
    return row->type;
}

bool parseJson(std::string_view inText, TiXmlNode* ioNode, bool inArraysAsItems) {
    if (!ioNode)
        return false;
    TiXmlElement* element = ioNode->ToElement();
    const AttributeList attributes = attributesOf(element);
    bool parsed = false;
    try {
        JsonReader reader(inText, inArraysAsItems);
        parsed = reader.read(ioNode);
    } catch (const ztException&) {
        parsed = false; // the lexer's errors are malformed input like any other
    } catch (...) {
        ioNode->Clear();
        restoreAttributes(element, attributes);
        throw;
    }
    if (parsed)
        return true;
    ioNode->Clear();
    restoreAttributes(element, attributes);
    return false;
}

void writeJson(const TiXmlElement* inElement, std::string& ioOutput, int inLevel) {
    ztAssert(inElement);
    if (!inElement)
        return;
    ztXMLFlatTree tree;
    writeJson(tree, tree.appendCopy(ztXMLFlatTree::document, *inElement), ioOutput, inLevel);
}

void writeJson(const ztXMLFlatTree& inTree, ztXMLFlatTree::Node inElement, std::string& ioOutput,
               int inLevel) {
    inTree.reserveForPrinting(ioOutput);
    JsonWriter(inTree, ioOutput).write(inElement, inLevel < 0 ? -1 : inLevel);
}

std::string jsonEscape(std::string_view inText) {
    std::string result;
    result.reserve(inText.size());
    appendJsonEscaped(inText, result);
    return result;
}

std::string jsonUnescape(std::string_view inText) {
    return unescape(inText);
}

bool getText(const TiXmlNode* inNode, std::string& outText) {
    const TiXmlNode* first = inNode ? inNode->FirstChild() : nullptr;
    const TiXmlText* text = first ? first->ToText() : nullptr;
    if (!text)
        return false;
    outText = text->ValueStr();
    return true;
}

std::string getTextOr(const TiXmlNode* inNode, const std::string& inDefault) {
    std::string text;
    return getText(inNode, text) ? text : inDefault;
}

void setText(TiXmlNode* inNode, const std::string& inText) {
    ztAssert(inNode);
    if (!inNode)
        return;
    TiXmlNode* first = inNode->FirstChild();
    if (TiXmlText* text = first ? first->ToText() : nullptr) {
        text->SetValue(inText);
        return;
    }
    inNode->LinkEndChild(new TiXmlText(inText));
}

TiXmlElement* addTextElement(TiXmlNode* ioParent, const std::string& inName,
                             const std::string& inText) {
    if (!ioParent)
        return nullptr;
    auto* element = new TiXmlElement(inName);
    ioParent->LinkEndChild(element);
    element->LinkEndChild(new TiXmlText(inText));
    return element;
}

std::string getAttributeOr(const TiXmlElement* inElement, const char* inName,
                           const std::string& inDefault) {
    const char* value = inElement && inName ? inElement->Attribute(inName) : nullptr;
    return value ? std::string(value) : inDefault;
}

bool getBool(const TiXmlElement* inElement, bool inDefault) {
    if (!inElement)
        return inDefault;
    const TiXmlNode* first = inElement->FirstChild();
    if (!first)
        return true;
    if (const TiXmlText* text = first->ToText(); text && !first->NextSibling()) {
        const std::string& value = text->ValueStr();
        if (value == "1" || equalsNoCase(value, "t") || equalsNoCase(value, "true"))
            return true;
        if (value == "0" || equalsNoCase(value, "f") || equalsNoCase(value, "false"))
            return false;
    }
    throw ztException(ztErr_invalidXML, ztText::invalidXML, 'x', inElement->ValueStr());
}

const TiXmlElement* findPath(const TiXmlNode* inNode, std::string_view inPath) {
    ztAssert(!inPath.empty() && inPath[0] != '/');
    const TiXmlElement* element = inNode ? inNode->ToElement() : nullptr;
    if (inPath.empty())
        return nullptr;
    while (element) {
        const size_t slash = inPath.find('/');
        const std::string part(inPath.substr(0, slash));
        ztAssert(!part.empty());
        if (part.empty())
            return nullptr;
        element = element->FirstChildElement(part);
        if (slash == std::string_view::npos)
            return element;
        inPath.remove_prefix(slash + 1);
    }
    return nullptr;
}

TiXmlElement* findPath(TiXmlNode* inNode, std::string_view inPath) {
    // The tree is the caller's to change; the walk itself does not.
    return const_cast<TiXmlElement*>(findPath(static_cast<const TiXmlNode*>(inNode), inPath));
}

} // namespace ztXMLUtil
