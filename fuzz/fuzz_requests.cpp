// Fuzzes the front end that every web request goes through before it reaches a server: the
// request text in each dialect (SOAP and REST XML through the nesting check and TinyXML,
// JSON-RPC and REST JSON through the JSON reader), multi-reference resolution, the REST
// path through the route look-up with its method, the reference conversions over every
// argument, the REST arguments of a query text, and the rendering of the resulting tree in
// every dialect, as an echoing server would have it come back. Both directions are also
// typed by the stand-in server's WSDL: the request by a command's input declaration, the
// echo by its input or output declaration, before they are rendered.
// Input: one byte that picks the dialect (bits 0-1), the HTTP method (bits 2-3: GET, PUT,
// POST, DELETE), the rendering switches (0x10 pretty, 0x20 control characters), the
// declaration the echo is typed by (0x40: output) and, with bits 2-3, the typed command
// (0x80); the request text up to the first NUL; then, when a second NUL follows, the REST
// path up to it; then the query text.
#include "messages/ztException.h"
#include "netobjects/ztDynamicNetWriter.h"
#include "netobjects/ztNetReader.h"
#include "util/ztWSDL.h"
#include "ztcentral/catalog/ztCentralWSDL.h"
#include "ztxmlint/restCommands.h"
#include "ztxmlint/restReference.h"
#include "ztxmlint/xmlDialect.h"
#include "ztxmlint/xmlJsonFrontEnd.h"
#include "ztxmlint/xmlResultRegistry.h"
#include "ztxmlint/xmlSoapEnvelope.h"
#include "ztxmlint/xmlWSDLConversion.h"

#include <tinyxml.h>

#include <map>
#include <set>
#include <string>
#include <string_view>

namespace {

constexpr xmlDialect kDialects[] = {xmlDialect_soap, xmlDialect_jsonRpc, xmlDialect_restJson,
                                    xmlDialect_restXml};

// Commands whose declarations hold every shape the typed conversion rewrites: lists of
// structs, property lists, references, object types, derived types and choices.
constexpr const char* kTypedCommands[] = {
    "GetDNSZones",       "AddDNSRecords",         "SetProperties", "GetObjectsInFolder",
    "SetDNSZoneOptions", "AddPropertyDefinition", "GetIPAMRecord", "SetObjectAccess"};

const ztWSDL& centralWSDL() {
    static const ztWSDL theWSDL = [] {
        ztDynamicNetWriter body(1 << 16);
        ztCentralWSDL::writeInstance(body);
        ztNetReader reader(body.data(), body.count());
        ztWSDL wsdl;
        wsdl.readFrom(reader);
        return wsdl;
    }();
    return theWSDL;
}

// The command element of the request, or null when the text was refused.
TiXmlElement* parse(xmlDialect inDialect, std::string_view inText, TiXmlDocument& ioDocument) {
    std::string id;
    try {
        switch (inDialect) {
        case xmlDialect_soap: {
            parseRequestXml(inText, ioDocument);
            resolveMultiRefs(ioDocument);
            return ioDocument.RootElement();
        }
        case xmlDialect_jsonRpc:
            return parseJsonRpcRequest(inText, ioDocument, "GetUsers", id);
        case xmlDialect_restJson:
        case xmlDialect_restXml:
            return parseRestRequest(inText, inDialect, ioDocument, "GetUsers", id);
        }
    } catch (const ztException&) {
    }
    return nullptr;
}

// Both conversions over inValue. What refToRest hands out must read back as its input.
void convertReferences(const std::string& inValue) {
    const std::string reference = restToRef(inValue);
    const std::string rest = refToRest(reference);
    if (rest != reference && restToRef(rest) != reference)
        __builtin_trap();
    const std::string direct = refToRest(inValue);
    if (direct != inValue && restToRef(direct) != inValue)
        __builtin_trap();
    (void)makeRef(obj_dnsZone, inValue);
}

// The dispatcher's REST steps: the route look-up names the command, its path arguments join
// the query parameters (a query parameter keeps its value), and every value goes through
// the reference conversions.
void routeRest(int inMethod, const std::string& inPath, TiXmlElement& ioCommand,
               std::map<std::string, std::string>& ioParameters,
               std::set<std::string>& outPathKeys) {
    std::string name;
    restArgumentMap arguments;
    if (lookupRestCommand(inPath, inMethod, name, arguments) && !name.empty())
        ioCommand.SetValue(name);
    for (const auto& [key, value] : arguments) {
        if (ioParameters.emplace(key, value).second)
            outPathKeys.insert(key);
    }
    for (const auto& [key, value] : ioParameters)
        convertReferences(value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* inData, size_t inSize) {
    if (inSize == 0)
        return 0;
    const xmlDialect dialect = kDialects[inData[0] % 4];
    const int method = restRouteMethods[(inData[0] >> 2) % 4];
    std::string_view rest(reinterpret_cast<const char*>(inData + 1), inSize - 1);
    const size_t nul = rest.find('\0');
    const std::string_view text = rest.substr(0, nul);
    rest = nul == std::string_view::npos ? std::string_view() : rest.substr(nul + 1);
    std::string path;
    const size_t pathEnd = rest.find('\0');
    if (pathEnd != std::string_view::npos) {
        path = std::string(rest.substr(0, pathEnd));
        rest.remove_prefix(pathEnd + 1);
    }
    const std::string query(rest);

    TiXmlDocument request;
    TiXmlElement* command = parse(dialect, text, request);
    if (command == nullptr)
        return 0;
    if (dialect == xmlDialect_restJson || dialect == xmlDialect_restXml) {
        std::map<std::string, std::string> parameters = splitQuery(query);
        std::set<std::string> pathKeys;
        if (!path.empty())
            routeRest(method, path, *command, parameters, pathKeys);
        else if (!parameters.empty())
            pathKeys.insert(parameters.begin()->first);
        placeRestArguments(*command, parameters, pathKeys, dialect);
    }

    const ztWSDL& wsdl = centralWSDL();
    const xmlWSDLConversion conversion(restToRef, refToRest);
    const char* typedCommand = kTypedCommands[((inData[0] >> 2) & 3) | ((inData[0] >> 5) & 4)];
    conversion.convertRequest(wsdl, wsdl.getInputElement(typedCommand), *command, dialect);
    const TiXmlElement* echoDeclaration = (inData[0] & 0x40) ? wsdl.getOutputElement(typedCommand)
                                                             : wsdl.getInputElement(typedCommand);

    // The command comes back as the answer, rendered in every dialect, untyped and typed.
    for (const xmlDialect answerDialect : kDialects) {
        for (const bool typed : {false, true}) {
            ztXMLFlatTree response;
            const auto body =
                response.appendChild(ztXMLFlatTree::document, ztXMLFlatTree::Kind::element, "Body");
            const auto answer = response.appendCopy(body, *command);
            if (typed)
                conversion.convertResponse(wsdl, echoDeclaration, response, answer, answerDialect);
            std::string out;
            renderAnswer(response, body, answerDialect, "7", inData[0] & 0x10, inData[0] & 0x20,
                         out);
        }
    }
    return 0;
}
