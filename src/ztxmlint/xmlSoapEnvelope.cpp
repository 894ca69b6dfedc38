// Envelope and fault writing, and multi-reference resolution over TinyXML trees. Every walk
// is iterative: request trees come from anyone and copies can deepen them.
#include "ztxmlint/xmlSoapEnvelope.h"

#include "messages/ztAssert.h"
#include "messages/ztException.h"
#include "messages/ztMessageTexts.h"
#include "util/ztNestingLimit.h"
#include "util/ztXMLTinyWriter.h"

#include <tinyxml.h>

#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

constexpr const char* kEnvelopeSuffix = ":Envelope";
constexpr size_t kEnvelopeSuffixLength = 9;

// References may copy values several times over (SOAP encoding shares one value among
// many references), but never without bound: a value that refers to itself or a chain of
// values that each refer to the next twice would otherwise grow the tree exponentially.
constexpr size_t kCopyFactor = 8;
constexpr size_t kCopyAllowance = 4096;

TiXmlElement* bodyOf(TiXmlDocument& ioDocument, const std::string& inPrefix) {
    TiXmlElement* envelope = ioDocument.FirstChildElement(inPrefix + kEnvelopeSuffix);
    if (envelope == nullptr)
        return nullptr;
    return envelope->FirstChildElement(inPrefix + ":Body");
}

void addText(ztXMLWriter& ioWriter, const char* inName, const std::string& inText) {
    ioWriter.startElement(inName);
    ioWriter.text(inText.c_str(), false);
    ioWriter.endElement();
}

// The element after inElement in document order (elements only), or null at the end.
TiXmlElement* nextElement(TiXmlElement* inElement) {
    if (TiXmlElement* child = inElement->FirstChildElement())
        return child;
    for (TiXmlNode* node = inElement; node != nullptr && node->ToElement() != nullptr;
         node = node->Parent()) {
        if (TiXmlElement* sibling = node->NextSiblingElement())
            return sibling;
    }
    return nullptr;
}

size_t depthOf(const TiXmlNode* inNode) {
    size_t depth = 0;
    for (const TiXmlNode* node = inNode; node != nullptr && node->ToElement() != nullptr;
         node = node->Parent())
        ++depth;
    return depth;
}

// A copy of inNode without its children.
TiXmlNode* shallowCopy(const TiXmlNode& inNode) {
    const TiXmlElement* element = inNode.ToElement();
    if (element == nullptr)
        return inNode.Clone(); // text, comment, unknown, declaration: no children
    auto* copy = new TiXmlElement(element->Value());
    for (const TiXmlAttribute* a = element->FirstAttribute(); a != nullptr; a = a->Next())
        copy->SetAttribute(a->Name(), a->Value());
    return copy;
}

class MultiRefResolver {
public:
    explicit MultiRefResolver(TiXmlDocument& ioDocument) : itsDocument(ioDocument) {}

    void run() {
        collectIds();
        if (itsCache.empty())
            return;
        itsCopyBudget = kCopyAllowance + kCopyFactor * itsNodeCount;
        for (TiXmlElement* e = itsDocument.FirstChildElement(); e != nullptr; e = nextElement(e))
            resolve(*e);
        // Reverse document order removes a nested carrier before the one around it, so no
        // element is touched after its ancestor freed it.
        for (auto it = itsCarriers.rbegin(); it != itsCarriers.rend(); ++it) {
            TiXmlNode* parent = (*it)->Parent();
            if (parent != nullptr)
                parent->RemoveChild(*it);
        }
    }

private:
    void collectIds() {
        for (TiXmlElement* e = itsDocument.FirstChildElement(); e != nullptr; e = nextElement(e)) {
            for (const TiXmlNode* n = e->FirstChild(); n != nullptr; n = n->NextSibling())
                ++itsNodeCount;
            ++itsNodeCount;
            const char* id = e->Attribute("id");
            if (id == nullptr)
                continue;
            ztAssert(itsCache.find(id) == itsCache.end());
            itsCache[id] = e;
            itsCarriers.push_back(e);
        }
    }

    void resolve(TiXmlElement& ioReferrer) {
        const char* href = ioReferrer.Attribute("href");
        if (href == nullptr)
            return;
        ztAssert(href[0] == '#');
        ztAssert(itsCache.find(href + 1) != itsCache.end());
        if (href[0] != '#')
            return;
        const auto found = itsCache.find(href + 1);
        if (found == itsCache.end())
            return;
        const TiXmlElement& value = *found->second;
        const size_t baseDepth = depthOf(&ioReferrer);
        // Copy the value's children first, then link them: appending while walking the
        // value would loop when the referrer lies inside the value.
        std::vector<std::unique_ptr<TiXmlNode>> copies;
        for (const TiXmlNode* child = value.FirstChild(); child != nullptr;
             child = child->NextSibling())
            copies.emplace_back(deepCopy(*child, baseDepth, ioReferrer));
        for (std::unique_ptr<TiXmlNode>& copy : copies)
            ioReferrer.LinkEndChild(copy.release());
    }

    // An iterative deep copy that charges every node to the budget and refuses a copy
    // that would nest deeper than the bound below the referrer (at depth inBaseDepth).
    TiXmlNode* deepCopy(const TiXmlNode& inSource, size_t inBaseDepth,
                        const TiXmlElement& inReferrer) {
        struct Pending {
            const TiXmlNode* source;
            TiXmlNode* target;
            size_t depth; // of target, counting the referrer
        };
        TiXmlNode* root = charge(shallowCopy(inSource), inReferrer);
        std::vector<Pending> stack{{&inSource, root, inBaseDepth + 1}};
        try {
            if (inSource.ToElement() != nullptr && inBaseDepth + 1 > ztMaxNestingDepth)
                refuse(inReferrer);
            while (!stack.empty()) {
                const Pending next = stack.back();
                stack.pop_back();
                for (const TiXmlNode* c = next.source->FirstChild(); c != nullptr;
                     c = c->NextSibling()) {
                    if (c->ToElement() != nullptr && next.depth + 1 > ztMaxNestingDepth)
                        refuse(inReferrer);
                    TiXmlNode* copy =
                        next.target->LinkEndChild(charge(shallowCopy(*c), inReferrer));
                    if (c->FirstChild() != nullptr)
                        stack.push_back({c, copy, next.depth + 1});
                }
            }
        } catch (...) {
            delete root;
            throw;
        }
        return root;
    }

    TiXmlNode* charge(TiXmlNode* inNode, const TiXmlElement& inReferrer) {
        if (itsCopyBudget == 0) {
            delete inNode;
            refuse(inReferrer);
        }
        --itsCopyBudget;
        return inNode;
    }

    [[noreturn]] static void refuse(const TiXmlElement& inReferrer) {
        throw ztException(ztErr_invalidXML, ztText::invalidXML, 'x', inReferrer.Value());
    }

    TiXmlDocument& itsDocument;
    std::unordered_map<std::string, TiXmlElement*> itsCache;
    std::vector<TiXmlElement*> itsCarriers; // every element with an "id", in document order
    size_t itsNodeCount = 0;
    size_t itsCopyBudget = 0;
};

} // namespace

std::string soapPrefixOf(const char* inRootName) {
    const size_t length = inRootName ? std::strlen(inRootName) : 0;
    if (length < kEnvelopeSuffixLength ||
        std::strcmp(inRootName + length - kEnvelopeSuffixLength, kEnvelopeSuffix) != 0)
        return xmlDefaultSoapPrefix;
    return std::string(inRootName, length - kEnvelopeSuffixLength);
}

void writeEnvelope(TiXmlDocument& ioDocument, const std::string& inPrefix,
                   const char* inEnvelopeNamespace, xmlDialect inDialect) {
    ztXMLTinyWriter writer(&ioDocument);
    writer.declaration("1.0", "utf-8", nullptr);
    writer.startElement((inPrefix + kEnvelopeSuffix).c_str());
    if (inDialect == xmlDialect_soap) {
        writer.attribute(("xmlns:" + inPrefix).c_str(), inEnvelopeNamespace);
        writer.attribute("xmlns:xsi", "http://www.w3.org/2001/XMLSchema-instance");
        writer.attribute("xmlns:xsd", "http://www.w3.org/2001/XMLSchema");
    }
    writer.startElement((inPrefix + ":Body").c_str());
}

void writeFault(TiXmlDocument& ioDocument, const ztErrorMessage& inMessage,
                const std::string& inPrefix, xmlDialect inDialect) {
    TiXmlElement* pResponseBody = bodyOf(ioDocument, inPrefix);
    ztAssert(pResponseBody);
    if (pResponseBody == nullptr)
        return;
    const std::string text = inMessage.getText();
    const std::string code = std::to_string(inMessage.getErrorValue());
    ztXMLTinyWriter writer(pResponseBody);
    if (inDialect != xmlDialect_soap) {
        writer.startElement("error");
        writer.startElement("code");
        writer.attribute("type", "int");
        writer.text(code.c_str(), false);
        writer.endElement();
        addText(writer, "message", text);
        writer.endElement();
        return;
    }
    writer.startElement((inPrefix + ":Fault").c_str());
    addText(writer, "faultcode", inPrefix + ":Client");
    addText(writer, "faultstring", text);
    writer.startElement("detail");
    writer.startElement("ztfaultdetails");
    addText(writer, "message", text);
    addText(writer, "errorcode", code);
    writer.endElement();
    writer.endElement();
    writer.endElement();
}

void resolveMultiRefs(TiXmlDocument& ioDocument) {
    MultiRefResolver(ioDocument).run();
}
