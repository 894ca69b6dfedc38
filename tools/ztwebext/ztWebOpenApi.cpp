// Writing the OpenAPI description: XML Schema declarations of the WSDL become JSON Schema
// (2020-12, which OpenAPI 3.1 uses), commands become operations.
#include "ztwebext/ztWebOpenApi.h"

#include "ztwebext/ztWebJson.h"

#include "messages/ztException.h"
#include "util/ztWSDL.h"
#include "ztxmlint/xmlSessionManager.h"

#include <tinyxml.h>

#include <cctype>
#include <cstring>
#include <memory>
#include <set>

namespace {

constexpr const char* kTns = "tns:";

std::string stripPrefix(const std::string& inName) {
    const size_t colon = inName.find(':');
    return colon == std::string::npos ? inName : inName.substr(colon + 1);
}

// Component names allow letters, digits, ".", "_" and "-".
std::string componentName(const std::string& inTypeName) {
    std::string name = stripPrefix(inTypeName);
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '_' && c != '-')
            c = '_';
    return name;
}

const char* attribute(const TiXmlElement& inElement, const char* inName) {
    const char* value = inElement.Attribute(inName);
    return value == nullptr ? "" : value;
}

std::string documentation(const TiXmlElement& inElement) {
    const TiXmlElement* annotation = inElement.FirstChildElement("s:annotation");
    const TiXmlElement* doc =
        annotation != nullptr ? annotation->FirstChildElement("s:documentation") : nullptr;
    return doc != nullptr && doc->GetText() != nullptr ? doc->GetText() : "";
}

class SchemaWriter {
public:
    explicit SchemaWriter(const ztWSDL* inWSDL) : itsWSDL(inWSDL) {}

    // The schema of a type name ("s:int", "tns:User").
    ztWebJson typeSchema(const std::string& inType) {
        ztWebJson schema = ztWebJson::object();
        switch (ztWSDL::typeFromName(inType.c_str())) {
        case ztWSDL::type_int:
            schema["type"] = "integer";
            schema["format"] = "int32";
            return schema;
        case ztWSDL::type_unsignedInt:
            schema["type"] = "integer";
            schema["minimum"] = 0;
            schema["maximum"] = int64_t{4294967295};
            return schema;
        case ztWSDL::type_boolean:
            schema["type"] = "boolean";
            return schema;
        case ztWSDL::type_string:
        case ztWSDL::type_hexStr:
        case ztWSDL::type_ipOrHostname:
        case ztWSDL::type_ipAddress:
        case ztWSDL::type_dateTime:
            schema["type"] = "string";
            return schema;
        default:
            break;
        }
        if (itsWSDL != nullptr && inType.starts_with(kTns) && itsWSDL->findType(inType, false)) {
            const std::string name = componentName(inType);
            schema["$ref"] = "#/components/schemas/" + name;
            itsWanted.insert(inType);
        }
        return schema;
    }

    // The schema of an s:element declaration, an array when it may repeat.
    ztWebJson elementSchema(const TiXmlElement& inElement) {
        ztWebJson schema;
        if (const TiXmlElement* complex = inElement.FirstChildElement("s:complexType"))
            schema = complexSchema(*complex);
        else
            schema = typeSchema(attribute(inElement, "type"));
        if (std::strcmp(attribute(inElement, "maxOccurs"), "unbounded") == 0) {
            ztWebJson array = ztWebJson::object();
            array["type"] = "array";
            array["items"] = std::move(schema);
            schema = std::move(array);
        }
        if (const std::string doc = documentation(inElement); !doc.empty() && !schema.has("$ref"))
            schema["description"] = doc;
        return schema;
    }

    // An object with a property per element of the sequence (and of its choice).
    ztWebJson complexSchema(const TiXmlElement& inComplex) {
        ztWebJson schema = ztWebJson::object();
        const TiXmlElement* sequenceParent = &inComplex;
        std::string base;
        if (const TiXmlElement* content = inComplex.FirstChildElement("s:complexContent")) {
            if (const TiXmlElement* extension = content->FirstChildElement("s:extension")) {
                base = attribute(*extension, "base");
                sequenceParent = extension;
            }
        }
        ztWebJson object = ztWebJson::object();
        object["type"] = "object";
        ztWebJson required = ztWebJson::array();
        if (const TiXmlElement* sequence = sequenceParent->FirstChildElement("s:sequence"))
            addProperties(*sequence, object, required);
        if (!required.empty())
            object["required"] = std::move(required);
        if (base.empty())
            return object;
        schema["allOf"].push(typeSchema(base));
        schema["allOf"].push(std::move(object));
        return schema;
    }

    // The named types that references were made to, written into inSchemas (and those
    // they refer to in turn).
    void writeComponents(ztWebJson& ioSchemas) {
        std::set<std::string> done;
        while (true) {
            std::string next;
            for (const std::string& name : itsWanted)
                if (!done.contains(name)) {
                    next = name;
                    break;
                }
            if (next.empty())
                return;
            done.insert(next);
            ioSchemas[componentName(next)] = namedSchema(*itsWSDL->findType(next, false));
        }
    }

private:
    void addProperties(const TiXmlElement& inSequence, ztWebJson& ioObject, ztWebJson& ioRequired) {
        for (const TiXmlElement* child = inSequence.FirstChildElement(); child != nullptr;
             child = child->NextSiblingElement()) {
            if (std::strcmp(child->Value(), "s:choice") == 0) {
                ztWebJson ignored = ztWebJson::array();
                addProperties(*child, ioObject, ignored);
                continue;
            }
            if (std::strcmp(child->Value(), "s:element") != 0)
                continue;
            const std::string name = attribute(*child, "name");
            if (name.empty())
                continue;
            ioObject["properties"][name] = elementSchema(*child);
            if (std::strcmp(attribute(*child, "minOccurs"), "0") != 0)
                ioRequired.push(name);
        }
    }

    ztWebJson namedSchema(const TiXmlElement& inDeclaration) {
        const std::string kind = inDeclaration.Value();
        if (kind == "s:complexType")
            return complexSchema(inDeclaration);
        if (kind == "s:element")
            return elementSchema(inDeclaration);
        ztWebJson schema = ztWebJson::object();
        const TiXmlElement* restriction = inDeclaration.FirstChildElement("s:restriction");
        if (restriction == nullptr)
            return schema;
        schema = typeSchema(attribute(*restriction, "base"));
        ztWebJson choices = ztWebJson::array();
        for (const TiXmlElement* value = restriction->FirstChildElement("s:enumeration");
             value != nullptr; value = value->NextSiblingElement("s:enumeration"))
            choices.push(attribute(*value, "value"));
        if (!choices.empty())
            schema["enum"] = std::move(choices);
        if (const std::string doc = documentation(inDeclaration); !doc.empty())
            schema["description"] = doc;
        return schema;
    }

    const ztWSDL* itsWSDL;
    std::set<std::string> itsWanted;
};

ztWebJson jsonContent(ztWebJson inSchema) {
    ztWebJson content = ztWebJson::object();
    content["application/json"]["schema"] = std::move(inSchema);
    return content;
}

ztWebJson errorResponses() {
    ztWebJson responses = ztWebJson::object();
    ztWebJson error = ztWebJson::object();
    error["$ref"] = "#/components/schemas/Error";
    responses["400"]["description"] = "The request or the server refused it";
    responses["400"]["content"] = jsonContent(error);
    responses["401"]["description"] = "No session, or an expired one";
    responses["401"]["content"] = jsonContent(error);
    return responses;
}

// The path parameters of a route path ("dns/{zone}/records" gives zone).
std::vector<std::string> pathParameters(const std::string& inPath) {
    std::vector<std::string> names;
    for (size_t open = inPath.find('{'); open != std::string::npos;
         open = inPath.find('{', open + 1)) {
        const size_t close = inPath.find('}', open);
        if (close == std::string::npos)
            break;
        names.push_back(inPath.substr(open + 1, close - open - 1));
    }
    return names;
}

ztWebJson restOperation(const ztWebRestRoute& inRoute, const ztWSDL* inWSDL,
                        SchemaWriter& ioSchemas) {
    ztWebJson operation = ztWebJson::object();
    // Unique because a path has each method once.
    operation["operationId"] = "rest_" + inRoute.itsMethod + "_" + componentName(inRoute.itsPath);
    operation["summary"] = inRoute.itsCommand;
    operation["tags"].push("REST");
    const TiXmlElement* input = inWSDL ? inWSDL->getInputElement(inRoute.itsCommand) : nullptr;
    const TiXmlElement* output = inWSDL ? inWSDL->getOutputElement(inRoute.itsCommand) : nullptr;
    ztWebJson parameters = ztWebJson::array();
    std::set<std::string> fromPath;
    for (const std::string& name : pathParameters(inRoute.itsPath)) {
        ztWebJson parameter = ztWebJson::object();
        parameter["name"] = name;
        parameter["in"] = "path";
        parameter["required"] = true;
        parameter["schema"]["type"] = "string";
        parameters.push(std::move(parameter));
        fromPath.insert(name);
    }
    ztWebJson session = ztWebJson::object();
    session["name"] = "session";
    session["in"] = "query";
    session["description"] = "The session id; or send it as \"Authorization: Bearer ID\"";
    session["schema"]["type"] = "string";
    parameters.push(std::move(session));
    ztWebJson inputSchema = input ? ioSchemas.elementSchema(*input) : ztWebJson::object();
    if (inRoute.itsMethod == "get" || inRoute.itsMethod == "delete") {
        // Arguments of a body-less request travel in the query; simple ones are listed.
        const TiXmlElement* complex = input ? input->FirstChildElement("s:complexType") : nullptr;
        const TiXmlElement* sequence = complex ? complex->FirstChildElement("s:sequence") : nullptr;
        for (const TiXmlElement* field = sequence ? sequence->FirstChildElement("s:element")
                                                  : nullptr;
             field != nullptr; field = field->NextSiblingElement("s:element")) {
            const std::string name = attribute(*field, "name");
            if (name.empty() || name == "session" || fromPath.contains(name) ||
                ztWSDL::typeFromName(attribute(*field, "type")) == ztWSDL::type_unknown)
                continue;
            ztWebJson parameter = ztWebJson::object();
            parameter["name"] = name;
            parameter["in"] = "query";
            parameter["schema"] = ioSchemas.elementSchema(*field);
            parameters.push(std::move(parameter));
        }
    } else {
        operation["requestBody"]["content"] = jsonContent(std::move(inputSchema));
    }
    operation["parameters"] = std::move(parameters);
    ztWebJson responses = errorResponses();
    responses["200"]["description"] = "The command's answer";
    responses["200"]["content"] =
        jsonContent(output ? ioSchemas.elementSchema(*output) : ztWebJson::object());
    if (inRoute.itsMethod == "post")
        responses["201"]["description"] = "Created";
    responses["204"]["description"] = "Done; the answer has no content";
    operation["responses"] = std::move(responses);
    return operation;
}

ztWebJson jsonRpcPath(const ztWSDL* inWSDL) {
    ztWebJson request = ztWebJson::object();
    request["type"] = "object";
    request["required"].push("jsonrpc");
    request["required"].push("method");
    request["properties"]["jsonrpc"]["const"] = "2.0";
    ztWebJson& method = request["properties"]["method"];
    method["type"] = "string";
    if (inWSDL != nullptr && !inWSDL->commands().empty()) {
        for (const char* own : {"Login", "logout", "hello", "session", "web_getPreLoginInfo"})
            method["enum"].push(own);
        for (const auto& [name, command] : inWSDL->commands())
            if (name != "Login")
                method["enum"].push(name);
    }
    request["properties"]["params"]["type"] = "object";
    request["properties"]["params"]["description"] =
        "The command's arguments, as its input in the WSDL declares them";
    request["properties"]["id"]["type"].push("string");
    request["properties"]["id"]["type"].push("integer");
    request["properties"]["id"]["type"].push("null");

    ztWebJson answer = ztWebJson::object();
    answer["type"] = "object";
    answer["properties"]["jsonrpc"]["const"] = "2.0";
    answer["properties"]["result"] = ztWebJson::object();
    answer["properties"]["error"]["$ref"] = "#/components/schemas/Error";
    answer["properties"]["id"] = ztWebJson::object();

    ztWebJson operation = ztWebJson::object();
    operation["operationId"] = "jsonrpc";
    operation["summary"] = "JSON-RPC: any command of the WSDL, and Login";
    operation["tags"].push("JSON-RPC");
    operation["requestBody"]["required"] = true;
    operation["requestBody"]["content"] = jsonContent(std::move(request));
    ztWebJson responses = errorResponses();
    responses["200"]["description"] = "The answer, or a JSON-RPC error object";
    responses["200"]["content"] = jsonContent(std::move(answer));
    operation["responses"] = std::move(responses);
    ztWebJson path = ztWebJson::object();
    path["post"] = std::move(operation);
    return path;
}

ztWebJson errorSchema() {
    ztWebJson schema = ztWebJson::object();
    schema["type"] = "object";
    schema["description"] = "A JSON-RPC error object, or a REST answer holding one";
    return schema;
}

} // namespace

std::vector<ztWebRestRoute> ztWebCommandRoutes::restRoutes(const ztWSDL* inWSDL) const {
    std::vector<ztWebRestRoute> routes;
    if (inWSDL == nullptr || inWSDL->commands().empty()) {
        routes.push_back({"command/{name}", "get", "{name}"});
        routes.push_back({"command/{name}", "post", "{name}"});
        return routes;
    }
    for (const auto& [name, command] : inWSDL->commands()) {
        routes.push_back({"command/" + name, "get", name});
        routes.push_back({"command/" + name, "post", name});
    }
    return routes;
}

std::string ztWebOpenApiDocument(const std::vector<ztWebRestRoute>& inRoutes, const ztWSDL* inWSDL,
                                 const std::string& inBaseUrl) {
    ztWebJson document = ztWebJson::object();
    document["openapi"] = "3.1.0";
    document["info"]["title"] = "ztwebext";
    document["info"]["version"] = "1.0.0";
    document["info"]["description"] =
        inWSDL != nullptr ? "REST routes and JSON-RPC of the central server, typed by its WSDL"
                          : "REST routes and JSON-RPC of the central server (its WSDL could not "
                            "be fetched, so arguments are untyped)";
    ztWebJson server = ztWebJson::object();
    server["url"] = inBaseUrl;
    document["servers"].push(std::move(server));
    SchemaWriter schemas(inWSDL);
    ztWebJson& paths = document["paths"];
    paths["/jsonrpc"] = jsonRpcPath(inWSDL);
    for (const ztWebRestRoute& route : inRoutes)
        paths["/rest/" + route.itsPath][route.itsMethod] = restOperation(route, inWSDL, schemas);
    ztWebJson& components = document["components"]["schemas"];
    components["Error"] = errorSchema();
    if (inWSDL != nullptr)
        schemas.writeComponents(components);
    ztWebJson basic = ztWebJson::object();
    basic["type"] = "http";
    basic["scheme"] = "basic";
    ztWebJson bearer = ztWebJson::object();
    bearer["type"] = "http";
    bearer["scheme"] = "bearer";
    bearer["description"] = "The session id of a Login";
    document["components"]["securitySchemes"]["basic"] = std::move(basic);
    document["components"]["securitySchemes"]["session"] = std::move(bearer);
    ztWebJson useBasic = ztWebJson::object();
    useBasic["basic"] = ztWebJson::array();
    ztWebJson useSession = ztWebJson::object();
    useSession["session"] = ztWebJson::array();
    document["security"].push(std::move(useSession));
    document["security"].push(std::move(useBasic));
    document["security"].push(ztWebJson::object());
    return document.dump();
}

std::string ztWebOpenApiDocument(const ztWebRouteSource& inRoutes, const std::string& inServer,
                                 const std::string& inBaseUrl) {
    xmlSessionManager& manager = xmlSessionManager::getInstance();
    std::shared_ptr<const ztWSDL> wsdl;
    try {
        wsdl = manager.getWSDL(manager.isCentralServerFixed() ? std::string() : inServer);
    } catch (const ztException&) {
        // Described untyped; the library has logged why the server could not be asked.
    }
    return ztWebOpenApiDocument(inRoutes.restRoutes(wsdl.get()), wsdl.get(), inBaseUrl);
}
