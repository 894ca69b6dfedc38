// JSON-RPC and REST requests into the internal command form, REST argument placement, and
// the rendering of answers per dialect.
#include "ztxmlint/xmlJsonFrontEnd.h"

#include "messages/ztAssert.h"
#include "messages/ztException.h"
#include "util/ztXMLDepthGuard.h"
#include "util/ztXMLPrinter.h"
#include "util/ztXMLUtil.h"

#include <tinyxml.h>

#include <memory>
#include <vector>

namespace {

constexpr const char* kEnvelope = "Envelope";
constexpr const char* kParams = "params";

constexpr const char* kParseError = "Parse error";
constexpr const char* kInvalidRequest = "Invalid Request";
constexpr const char* kInvalidCommand = "Invalid command.";
constexpr const char* kRestParseError = "Parse error, incorrect REST data";
constexpr const char* kRestMissingContent = "Parse error, incorrect REST data. Missing content";
constexpr const char* kTooDeep = "The XML document is nested too deeply or malformed.";
constexpr const char* kForbiddenReference =
    "The character reference $r names no character that XML allows.";

bool equalsNoCase(std::string_view inLeft, std::string_view inRight) {
    if (inLeft.size() != inRight.size())
        return false;
    for (size_t i = 0; i < inLeft.size(); ++i) {
        char left = inLeft[i];
        char right = inRight[i];
        if (left >= 'a' && left <= 'z')
            left = static_cast<char>(left - 'a' + 'A');
        if (right >= 'a' && right <= 'z')
            right = static_cast<char>(right - 'a' + 'A');
        if (left != right)
            return false;
    }
    return true;
}

// Empties ioDocument and gives it the root every request form starts from.
TiXmlElement* startEnvelope(TiXmlDocument& ioDocument) {
    ioDocument.Clear();
    auto* envelope = new TiXmlElement(kEnvelope);
    ioDocument.LinkEndChild(envelope);
    return envelope;
}

// Takes the id and the method from the envelope and leaves the first "params" element, named
// after the method, as its only child. Later "params" members go too: everything left below
// the envelope travels to the server as the request.
TiXmlElement* takeCommand(TiXmlElement& ioEnvelope, const std::string& inRestPath,
                          std::string& outId) {
    outId = ztXMLUtil::getTextOr(ioEnvelope.FirstChildElement("id"), std::string());
    const std::string method =
        ztXMLUtil::getTextOr(ioEnvelope.FirstChildElement("method"), inRestPath);
    TiXmlElement* command = nullptr;
    TiXmlNode* node = ioEnvelope.FirstChild();
    while (node != nullptr) {
        TiXmlNode* next = node->NextSibling();
        TiXmlElement* element = node->ToElement();
        if (command == nullptr && element != nullptr && equalsNoCase(element->ValueStr(), kParams))
            command = element;
        else
            ioEnvelope.RemoveChild(node);
        node = next;
    }
    if (command == nullptr)
        throw ztException(ztErr_invalidCommand, kInvalidCommand);
    if (!method.empty())
        command->SetValue(method);
    return command;
}

// The parts of a REST argument key, split at every ":".
std::vector<std::string_view> keyParts(std::string_view inKey) {
    std::vector<std::string_view> parts;
    for (;;) {
        const size_t colon = inKey.find(':');
        parts.push_back(inKey.substr(0, colon));
        if (colon == std::string_view::npos)
            return parts;
        inKey.remove_prefix(colon + 1);
    }
}

bool hasEmptyPart(const std::vector<std::string_view>& inParts) {
    for (const std::string_view part : inParts) {
        if (part.empty())
            return true;
    }
    return false;
}

void placeArgument(TiXmlElement& ioCommand, const std::string& inKey, const std::string& inValue,
                   bool inReadJson) {
    const std::vector<std::string_view> parts = keyParts(inKey);
    // An element without a name cannot be printed as XML nor declared by any WSDL.
    if (hasEmptyPart(parts))
        return;
    // A query text is as untrusted as a body: a key may not nest deeper than a body may, or
    // the recursive tree code that follows (copies, destruction) could run out of stack.
    if (parts.size() > ztMaxNestingDepth)
        return;
    TiXmlElement* parent = &ioCommand;
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
        const std::string name(parts[i]);
        TiXmlElement* child = parent->FirstChildElement(name);
        if (child == nullptr) {
            child = new TiXmlElement(name);
            parent->LinkEndChild(child);
        }
        parent = child;
    }
    const std::string name(parts.back());
    if (parent->FirstChildElement(name) != nullptr)
        return;
    if (inReadJson && inValue.find('{') != std::string::npos) {
        auto element = std::make_unique<TiXmlElement>(name);
        if (ztXMLUtil::parseJson(inValue, element.get(), true)) {
            parent->LinkEndChild(element.release());
            return;
        }
    }
    ztXMLUtil::addTextElement(parent, name, inValue);
}

void addJsonRpcMembers(ztXMLFlatTree& ioTree, ztXMLFlatTree::Node inBody, const std::string& inId) {
    // Only elements print as JSON, so "jsonrpc" may go first among all children.
    const auto version = ioTree.prependChild(inBody, ztXMLFlatTree::Kind::element, "jsonrpc");
    ioTree.appendChild(version, ztXMLFlatTree::Kind::text, "2.0");
    const auto id = ioTree.appendChild(inBody, ztXMLFlatTree::Kind::element, "id");
    // "int" lets the JSON writer print a numeric id bare; any other text it quotes.
    ioTree.setAttribute(id, "type", inId.empty() ? "null" : "int");
    if (!inId.empty())
        ioTree.appendChild(id, ztXMLFlatTree::Kind::text, inId);
}

// The position of inElement among its parent's child elements, from the document down.
std::vector<size_t> elementPath(const TiXmlNode& inElement) {
    std::vector<size_t> path;
    for (const TiXmlNode* node = &inElement; node->Parent() != nullptr; node = node->Parent()) {
        size_t position = 0;
        for (const TiXmlNode* sibling = node->PreviousSibling(); sibling != nullptr;
             sibling = sibling->PreviousSibling())
            position += sibling->ToElement() != nullptr ? 1 : 0;
        path.push_back(position);
    }
    return {path.rbegin(), path.rend()};
}

} // namespace

void keepXmlWhiteSpace() {
    // TinyXML starts with condensing on; the first switch happens once, before any request
    // thread reads the setting.
    static const bool switchedOff = (TiXmlBase::SetCondenseWhiteSpace(false), true);
    (void)switchedOff;
    if (TiXmlBase::IsWhiteSpaceCondensed())
        TiXmlBase::SetCondenseWhiteSpace(false);
}

void parseRequestXml(std::string_view inText, TiXmlDocument& ioDocument) {
    ioDocument.Clear();
    std::string text;
    std::string badReference;
    switch (ztXMLPrepare(inText.substr(0, inText.find('\0')), text, badReference)) {
    case ztXMLScanResult::ok:
        break;
    case ztXMLScanResult::malformed:
        throw ztException(
            static_cast<ztErr>(ztErr_xmlParseBase + TiXmlBase::TIXML_ERROR_PARSING_ELEMENT),
            kTooDeep);
    case ztXMLScanResult::forbiddenReference:
        throw ztException(
            static_cast<ztErr>(ztErr_xmlParseBase + TiXmlBase::TIXML_ERROR_READING_ELEMENT_VALUE),
            kForbiddenReference, 'r', badReference);
    }
    keepXmlWhiteSpace();
    ioDocument.Parse(text.c_str(), nullptr, TIXML_ENCODING_LEGACY);
    if (ioDocument.Error())
        throw ztException(static_cast<ztErr>(ztErr_xmlParseBase + ioDocument.ErrorId()),
                          ioDocument.ErrorDesc());
}

TiXmlElement* parseJsonRpcRequest(std::string_view inText, TiXmlDocument& ioRequestDocument,
                                  const std::string& inRestPath, std::string& outId) {
    TiXmlElement* envelope = startEnvelope(ioRequestDocument);
    if (!ztXMLUtil::parseJson(inText, envelope, true))
        throw ztException(ztErr_jsonParse, kParseError);
    if (ztXMLUtil::getTextOr(envelope->FirstChildElement("jsonrpc"), std::string()) != "2.0")
        throw ztException(ztErr_jsonInvalidRequest, kInvalidRequest);
    return takeCommand(*envelope, inRestPath, outId);
}

TiXmlElement* parseRestRequest(std::string_view inText, xmlDialect inDialect,
                               TiXmlDocument& ioRequestDocument, const std::string& inRestPath,
                               std::string& outId) {
    ztAssert(inDialect == xmlDialect_restJson || inDialect == xmlDialect_restXml);
    TiXmlElement* envelope = startEnvelope(ioRequestDocument);
    auto* params = new TiXmlElement(kParams);
    envelope->LinkEndChild(params);
    if (inText.empty())
        return takeCommand(*envelope, inRestPath, outId);
    if (inDialect != xmlDialect_restXml) {
        if (!ztXMLUtil::parseJson(inText, params, true))
            throw ztException(ztErr_jsonParse, kRestParseError);
        return takeCommand(*envelope, inRestPath, outId);
    }
    TiXmlDocument body;
    parseRequestXml(inText, body);
    const TiXmlElement* root = body.RootElement();
    if (root == nullptr)
        throw ztException(ztErr_jsonParse, kRestMissingContent);
    envelope->RemoveChild(params);
    // Clone recurses per level; the depth check in parseRequestXml bounds it.
    envelope->LinkEndChild(root->Clone())->SetValue(kParams);
    return takeCommand(*envelope, inRestPath, outId);
}

void placeRestArguments(TiXmlElement& ioCommand,
                        const std::map<std::string, std::string>& inParameters,
                        const std::set<std::string>& inPathArgumentKeys, xmlDialect inDialect) {
    for (const auto& [key, value] : inParameters) {
        const bool readJson =
            inDialect == xmlDialect_restJson && inPathArgumentKeys.count(key) == 0;
        placeArgument(ioCommand, key, value, readJson);
    }
}

void renderAnswer(ztXMLFlatTree& ioTree, ztXMLFlatTree::Node inBody, xmlDialect inDialect,
                  const std::string& inJsonRpcId, bool inPretty, bool inReplaceControl,
                  std::string& outText) {
    outText.clear();
    if (inDialect == xmlDialect_soap) {
        printXml(ioTree, ztXMLFlatTree::document, outText, inReplaceControl, false, inPretty);
        return;
    }
    if (inDialect == xmlDialect_restXml) {
        printXml(ioTree, inBody, outText, inReplaceControl, true, inPretty);
        return;
    }
    if (inDialect == xmlDialect_jsonRpc)
        addJsonRpcMembers(ioTree, inBody, inJsonRpcId);
    // The body is always an object; left to its children's shape, two answer elements of the
    // same name would turn it into an array and an empty body into a string.
    ioTree.setAttribute(inBody, "type", "object");
    ztXMLUtil::writeJson(ioTree, inBody, outText, inPretty ? 0 : -1);
}

void renderAnswer(const TiXmlElement& inBody, xmlDialect inDialect, const std::string& inJsonRpcId,
                  bool inPretty, bool inReplaceControl, std::string& outText) {
    const TiXmlDocument* document = inBody.GetDocument();
    ztAssert(document);
    ztXMLFlatTree tree;
    if (document == nullptr) {
        const auto body = tree.appendCopy(ztXMLFlatTree::document, inBody);
        renderAnswer(tree, body, inDialect, inJsonRpcId, inPretty, inReplaceControl, outText);
        return;
    }
    tree.appendCopy(ztXMLFlatTree::document, *document);
    ztXMLFlatTree::Node body = ztXMLFlatTree::document;
    for (size_t position : elementPath(inBody)) {
        body = tree.firstChildElement(body);
        while (position-- > 0)
            body = tree.nextSiblingElement(body);
    }
    renderAnswer(tree, body, inDialect, inJsonRpcId, inPretty, inReplaceControl, outText);
}
