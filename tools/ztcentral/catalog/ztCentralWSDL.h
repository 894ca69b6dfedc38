#pragma once
// The stand-in server's service description, made from the catalog: a WSDL 1.1 document
// (document/literal: types, messages, port type, binding and one service with a SOAP port)
// with the prefixes the gateway's WSDL model reads ("wsdl:definitions", "wsdl:types",
// "s:schema", "tns:"), an XHTML page that documents the same commands and types, and the
// command list that goes with the document in a WSDL instance.
// The namespace set of a GetWSDL or GetWSDLDoc request names command families; the empty set
// means all of them.

#include <string>
#include <utility>
#include <vector>

class TiXmlDocument;
class ztNetWriter;

class ztCentralWSDL {
public:
    // The target namespace; the same URI the gateway's SOAP answers carry.
    static constexpr const char* kServiceNamespace = "http://ztxmlint.tarvel.example/webservices/";
    static constexpr const char* kServiceName = "CentralService";
    // The SOAP port's address; the gateway replaces it with its own when it publishes.
    static constexpr const char* kDefaultLocation = "http://localhost/ztwebext.dll?Soap";

    // Fills the empty outDocument with the WSDL for the commands of the families in
    // inNamespaces (names ignore ASCII case). Throws a ztException with ztErr_invalidArgument
    // for a name that is no family. Any thread may call.
    static void buildDocument(const std::vector<std::string>& inNamespaces,
                              TiXmlDocument& outDocument);
    // Fills the empty outDocument with the XHTML documentation page of those commands, the
    // types they use and the types derived from those. Fails as buildDocument does.
    static void buildDocPage(const std::vector<std::string>& inNamespaces,
                             TiXmlDocument& outDocument);
    // Every command as (name, info), in catalog order: the list of a WSDL instance.
    static std::vector<std::pair<std::string, std::string>> commandList();
    // Writes the body of a GetWSDLInstance answer: the whole document in the XML net form up
    // to its end tag, the number of commands (unsigned 32-bit) and each command's name and
    // info as strings. The writer's exceptions pass through.
    static void writeInstance(ztNetWriter& ioWriter);
};
