// Fuzzes the front end that every web request goes through before it reaches a server: the
// request text in each dialect (SOAP and REST XML through the nesting check and TinyXML,
// JSON-RPC and REST JSON through the JSON reader), multi-reference resolution, the REST
// arguments of a query text, and the rendering of the resulting tree in every dialect, as
// an echoing server would have it come back.
// Input: one byte that picks the dialect, the request text up to the first NUL, then the
// query text.
#include "messages/ztException.h"
#include "ztxmlint/xmlDialect.h"
#include "ztxmlint/xmlJsonFrontEnd.h"
#include "ztxmlint/xmlResultRegistry.h"
#include "ztxmlint/xmlSoapEnvelope.h"

#include <tinyxml.h>

#include <map>
#include <set>
#include <string>
#include <string_view>

namespace {

constexpr xmlDialect kDialects[] = {xmlDialect_soap, xmlDialect_jsonRpc, xmlDialect_restJson,
                                    xmlDialect_restXml};

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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* inData, size_t inSize) {
    if (inSize == 0)
        return 0;
    const xmlDialect dialect = kDialects[inData[0] % 4];
    const std::string_view rest(reinterpret_cast<const char*>(inData + 1), inSize - 1);
    const size_t nul = rest.find('\0');
    const std::string_view text = rest.substr(0, nul);
    const std::string query =
        nul == std::string_view::npos ? "" : std::string(rest.substr(nul + 1));

    TiXmlDocument request;
    TiXmlElement* command = parse(dialect, text, request);
    if (command == nullptr)
        return 0;
    if (dialect == xmlDialect_restJson || dialect == xmlDialect_restXml) {
        const std::map<std::string, std::string> parameters = splitQuery(query);
        std::set<std::string> pathKeys;
        if (!parameters.empty())
            pathKeys.insert(parameters.begin()->first);
        placeRestArguments(*command, parameters, pathKeys, dialect);
    }

    // The command comes back as the answer, rendered in every dialect.
    for (const xmlDialect answerDialect : kDialects) {
        TiXmlDocument response;
        TiXmlElement* body = new TiXmlElement("Body");
        response.LinkEndChild(body);
        body->InsertEndChild(*command);
        std::string out;
        renderAnswer(*body, answerDialect, "7", inData[0] & 0x10, inData[0] & 0x20, out);
    }
    return 0;
}
