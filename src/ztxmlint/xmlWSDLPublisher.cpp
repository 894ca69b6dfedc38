// WSDL publication over one-shot connections.
#include "ztxmlint/xmlWSDLPublisher.h"

#include "messages/ztException.h"
#include "util/ztXMLPrinter.h"
#include "ztxmlint/halNReqGetWSDL.h"
#include "ztxmlint/halNReqGetWSDLDoc.h"
#include "ztxmlint/xmlSessionManager.h"
#include "ztxmlint/xmlSoapEnvelope.h"

#include <tinyxml.h>

#include <cstring>
#include <set>
#include <strings.h>

namespace {

constexpr const char* kHtmlDoctype = "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\" "
                                     "\"http://www.w3.org/TR/html4/strict.dtd\">";

bool endsWithNoCase(const std::string& inText, const char* inSuffix) {
    const size_t length = std::strlen(inSuffix);
    return inText.size() >= length &&
           ::strcasecmp(inText.c_str() + inText.size() - length, inSuffix) == 0;
}

const std::string* findNoCase(const std::map<std::string, std::string>& inQuery,
                              const char* inKey) {
    for (const auto& [key, value] : inQuery) {
        if (::strcasecmp(key.c_str(), inKey) == 0)
            return &value;
    }
    return nullptr;
}

std::set<std::string> namespacesOf(const std::map<std::string, std::string>& inQuery) {
    std::set<std::string> names;
    const std::string* value = findNoCase(inQuery, "ns");
    if (value == nullptr)
        return names;
    size_t start = 0;
    for (;;) {
        const size_t comma = value->find(',', start);
        names.insert(
            value->substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return names;
}

// Fetches the WSDL (or its page) into ioDocument; false with a fault in the document when
// that failed.
template <typename Request>
bool fetch(xmlSessionManager& ioManager, const std::map<std::string, std::string>& inQuery,
           TiXmlDocument& ioDocument) {
    std::string server = ioManager.getDefaultServer();
    if (const std::string* given = findNoCase(inQuery, "server"))
        server = *given;
    try {
        Request request(namespacesOf(inQuery), &ioDocument);
        std::string reference;
        ioManager.connectAndSend(server, xmlSessionManager::centralServerPort, request, reference,
                                 true);
        return true;
    } catch (const ztException& inException) {
        if (ioDocument.FirstChild() == nullptr)
            writeEnvelope(ioDocument, xmlDefaultSoapPrefix, xmlSoapEnvelopeNamespace,
                          xmlDialect_soap);
        writeFault(ioDocument, inException.errorMessage, xmlDefaultSoapPrefix, xmlDialect_soap);
        return false;
    }
}

void setPortLocations(TiXmlDocument& ioDocument, const std::string& inLocation) {
    TiXmlElement* definitions = ioDocument.FirstChildElement("wsdl:definitions");
    TiXmlElement* service = definitions ? definitions->FirstChildElement("wsdl:service") : nullptr;
    if (service == nullptr)
        return;
    for (TiXmlElement* port = service->FirstChildElement("wsdl:port"); port != nullptr;
         port = port->NextSiblingElement("wsdl:port")) {
        if (TiXmlElement* address = port->FirstChildElement())
            address->SetAttribute("location", inLocation);
    }
}

} // namespace

std::string soapLocationFor(const std::string& inRequestUrl) {
    if (endsWithNoCase(inRequestUrl, "/wsdl"))
        return inRequestUrl.substr(0, inRequestUrl.size() - 4) + "soap";
    if (endsWithNoCase(inRequestUrl, "/ztwebext.dll"))
        return inRequestUrl + "?Soap";
    return inRequestUrl;
}

void publishWsdl(xmlSessionManager& ioManager, const std::string& inRequestUrl,
                 const std::map<std::string, std::string>& inQuery, std::string& outResult) {
    TiXmlDocument document;
    if (fetch<halNReqGetWSDL>(ioManager, inQuery, document))
        setPortLocations(document, soapLocationFor(inRequestUrl));
    outResult.clear();
    printXml(document, outResult, false, false, false);
}

void publishWsdlDoc(xmlSessionManager& ioManager, const std::map<std::string, std::string>& inQuery,
                    std::string& outResult) {
    TiXmlDocument document;
    fetch<halNReqGetWSDLDoc>(ioManager, inQuery, document);
    outResult = kHtmlDoctype;
    printXml(document, outResult, false, false, false);
}
