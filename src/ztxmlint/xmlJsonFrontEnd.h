#pragma once
// The JSON-RPC and REST front end: brings JSON-RPC requests and REST bodies into the one
// internal form the dispatcher works on (an element named after the command, alone below an
// "Envelope" root), places REST query and path arguments on that element, and renders the
// answer in the request's dialect. Every operation works on the caller's documents and is
// used by one request thread at a time.

#include "messages/ztErr.h"
#include "util/ztXMLFlatTree.h"
#include "ztxmlint/xmlDialect.h"

#include <map>
#include <set>
#include <string>
#include <string_view>

class TiXmlDocument;
class TiXmlElement;

// Switches TinyXML's process-wide white-space condensing off. Writes the setting only when
// it is on, so that request threads, which all want it off, never write it at the same time.
void keepXmlWhiteSpace();

// Parses untrusted XML request text into ioDocument (emptied first) the way every request
// is read: white space kept (a process-wide TinyXML setting, always set to the same value),
// bytes taken as they are (legacy encoding), numeric character references from U+0080 up
// as the UTF-8 bytes of their character, nesting checked before TinyXML's recursive parser
// sees the text (ztXMLPrepare). The text ends at its first NUL, as TinyXML reads it.
// Throws ztException ztErr_xmlParseBase plus TinyXML's error number with TinyXML's
// description; a text nested deeper than ztMaxNestingDepth (or malformed so that the depth
// cannot be told, a malformed "&#" included) gives ztErr_xmlParseBase +
// TIXML_ERROR_PARSING_ELEMENT; a reference to U+0000, a surrogate, U+FFFE, U+FFFF or
// beyond U+10FFFF gives ztErr_xmlParseBase + TIXML_ERROR_READING_ELEMENT_VALUE.
void parseRequestXml(std::string_view inText, TiXmlDocument& ioDocument);

// Parses a JSON-RPC request. ioRequestDocument is emptied and then holds "Envelope" with the
// command element as its only child: the request's "params" object, renamed to the
// request's "method" (or to inRestPath when there is no method; a method or path that is
// empty leaves the name "params"). When the request holds several "params" members, the
// first one is the command. outId receives the text of the request's "id" (empty when
// absent). Returns the command element, owned by the document.
// Throws ztException: 32700 "Parse error" for text that is not one JSON object, 32600
// "Invalid Request" unless "jsonrpc" is "2.0", 5001 "Invalid command." without "params".
TiXmlElement* parseJsonRpcRequest(std::string_view inText, TiXmlDocument& ioRequestDocument,
                                  const std::string& inRestPath, std::string& outId);

// Parses the body of a REST request of dialect xmlDialect_restJson or xmlDialect_restXml
// into the same form as parseJsonRpcRequest: the body (or, for an empty text, an empty
// element) becomes the command element, named inRestPath. An XML body's root element is
// taken with its attributes. outId is emptied, as REST bodies carry no id.
// Throws ztException: for JSON 32700 "Parse error, incorrect REST data"; for XML 6000 plus
// TinyXML's error number with TinyXML's description when the text is not well formed,
// 6000 + TIXML_ERROR_PARSING_ELEMENT when it nests deeper than ztMaxNestingDepth (or is
// malformed in a way that stops the depth check), and 32700 "Parse error, incorrect REST
// data. Missing content" when it has no root element.
TiXmlElement* parseRestRequest(std::string_view inText, xmlDialect inDialect,
                               TiXmlDocument& ioRequestDocument, const std::string& inRestPath,
                               std::string& outId);

// Adds REST arguments to the command element ioCommand, in key order. A key "a:b:c" places
// the value as child "c" of "a"/"b" below the command, using the first existing element of
// each name or appending one. A value whose element already exists is dropped: arguments
// in the body win. In xmlDialect_restJson a value containing "{" whose key is not in
// inPathArgumentKeys is read as JSON when it parses, else kept as text. A key with an empty
// part (such as "", ":x" or "a::b"), or with more than ztMaxNestingDepth parts, names no
// element and is dropped.
// inParameters: query parameters merged with the path arguments of the route lookup;
// inPathArgumentKeys: the keys whose value in inParameters came from the path.
void placeRestArguments(TiXmlElement& ioCommand,
                        const std::map<std::string, std::string>& inParameters,
                        const std::set<std::string>& inPathArgumentKeys, xmlDialect inDialect);

// Renders the answer held in inBody, the response document's body element, into outText
// (emptied first):
// - xmlDialect_soap: the whole document that holds inBody, as XML with attributes;
// - xmlDialect_restXml: inBody itself as XML, without attributes;
// - xmlDialect_jsonRpc: inBody as a JSON object after adding "jsonrpc" ("2.0") before its
//   first child and "id" after its last: inJsonRpcId as a number when it is one, as a
//   string when it is other text, null when it is empty;
// - xmlDialect_restJson: inBody as a JSON object.
// inPretty indents (XML) or breaks lines and indents (JSON); inReplaceControl prints XML
// control characters as "?". The body is changed only by the JSON-RPC members and by a
// "type" attribute that makes it print as an object.
void renderAnswer(ztXMLFlatTree& ioTree, ztXMLFlatTree::Node inBody, xmlDialect inDialect,
                  const std::string& inJsonRpcId, bool inPretty, bool inReplaceControl,
                  std::string& outText);
// The same for the body of a TinyXML document, which stays as it is (the document is
// copied first).
void renderAnswer(const TiXmlElement& inBody, xmlDialect inDialect, const std::string& inJsonRpcId,
                  bool inPretty, bool inReplaceControl, std::string& outText);
