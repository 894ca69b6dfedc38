#pragma once
// Conversions between JSON text and XML element trees, which let JSON-RPC and REST callers
// use a server that speaks only XML, and small helpers that read and write element text.
// All operations work on the caller's TinyXML tree and are used by one thread at a time.

#include "util/ztNestingLimit.h"
#include "util/ztXMLFlatTree.h"

#include <cstddef>
#include <string>
#include <string_view>

class TiXmlElement;
class TiXmlNode;

namespace ztXMLUtil {

// JSON types, written by name as the "type" attribute of elements that are to become JSON.
enum JsonType : int {
    jsonNull = 0,
    jsonInt = 1,
    jsonUInt = 2,
    jsonReal = 3,
    jsonString = 4,
    jsonBoolean = 5,
    jsonArray = 6,
    jsonObject = 7,
    jsonUnknown = 8,
};

// The name of a JSON type ("null", "int", ... "unknown"); "unknown" for any other value.
const char* jsonTypeName(int inType);
// The JSON type that a "type" attribute value stands for, compared ignoring ASCII case
// ("int", "s:int" and "number" all give jsonInt). Null or an unknown name gives jsonUnknown.
JsonType jsonTypeFromAttribute(const char* inValue);

// Objects and arrays may nest at most this deep, the outer object included; deeper input
// fails like any other malformed text.
inline constexpr size_t jsonMaxDepth = ztMaxNestingDepth;

// Reads one JSON object from inText into children of ioNode: members become child elements
// named after them, in order (names as written, escapes included); a member "@name" sets the
// attribute name (ioNode must be an element then) and "#text" or "#cdata" appends text. With
// inArraysAsItems an array becomes one element holding an "item" child per entry; without
// it, repeated siblings. In quoted values "\uXXXX" is that code point in UTF-8, a surrogate
// pair the one character it encodes, and a surrogate escape without its partner U+FFFD;
// every other byte is taken as it is.
// On malformed input (or input nested deeper than jsonMaxDepth) every child of ioNode is
// removed, its attributes are restored and the result is false; it never throws for bad
// input. Only std::bad_alloc escapes.
bool parseJson(std::string_view inText, TiXmlNode* ioNode, bool inArraysAsItems);

// Appends the JSON form of inElement to ioOutput. The element's "type" attribute chooses the
// form; without one, an element with no child elements is a string, one whose first child
// element has a later sibling of the same name is an array, any other an object. inLevel -1
// writes compactly; 0 or more writes indented, two spaces per level from inLevel on (levels
// past 512 indent like level 512). Declared numbers ("int", "uint", "real") whose text is not
// a JSON number are written as strings; a boolean is false for an empty text, one beginning
// with "0", and "f" or "false" in any case. A null element appends nothing. Works without
// recursion, so any depth is safe.
void writeJson(const TiXmlElement* inElement, std::string& ioOutput, int inLevel);
// The same for an element of a flat tree.
void writeJson(const ztXMLFlatTree& inTree, ztXMLFlatTree::Node inElement, std::string& ioOutput,
               int inLevel);

// inText escaped for the inside of a JSON string: quote and backslash get a backslash, the
// usual control characters their short escapes; characters of well-formed UTF-8 stay as
// they are; every other byte outside printable ASCII (controls, DEL, the bytes of malformed
// UTF-8) becomes "\u00" and two lower-case hex digits.
std::string jsonEscape(std::string_view inText);
// The text of a JSON string's inside, read the way parseJson reads values: "\u00XX" is the
// byte XX, the short escapes their control characters, a backslash before any other
// character that character. Inverts jsonEscape.
std::string jsonUnescape(std::string_view inText);

// True, with the text in outText, when inNode's first child is a text node (CDATA included).
bool getText(const TiXmlNode* inNode, std::string& outText);
// The text of inNode's first child when it is a text node, otherwise inDefault.
std::string getTextOr(const TiXmlNode* inNode, const std::string& inDefault);
// Replaces the text of inNode's first child when it is a text node, otherwise appends a text
// node. A null node is ignored.
void setText(TiXmlNode* inNode, const std::string& inText);
// Appends to ioParent an element inName holding one text node inText and returns it (owned
// by the tree). A null parent gives null.
TiXmlElement* addTextElement(TiXmlNode* ioParent, const std::string& inName,
                             const std::string& inText);
// The value of attribute inName of inElement, or inDefault when either is missing.
std::string getAttributeOr(const TiXmlElement* inElement, const char* inName,
                           const std::string& inDefault);
// Reads a flag: a null element gives inDefault, an element without children true; a single
// text child "1", "t" or "true" gives true, "0", "f" or "false" false (letters in any case).
// Anything else throws ztException ztErr_invalidXML "Invalid XML in element <$x>".
bool getBool(const TiXmlElement* inElement, bool inDefault);
// Follows a "/"-separated path of child element names (compared exactly, first match) from
// inNode, which must be an element. Null when a step is missing, the path is empty, or it has
// an empty part (a leading, trailing or doubled "/").
TiXmlElement* findPath(TiXmlNode* inNode, std::string_view inPath);
const TiXmlElement* findPath(const TiXmlNode* inNode, std::string_view inPath);

} // namespace ztXMLUtil
