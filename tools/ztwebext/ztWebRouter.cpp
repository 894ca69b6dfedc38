// The endpoints of ztwebext.
#include "ztwebext/ztWebRouter.h"

#include "ztwebext/ztWebAuth.h"
#include "ztwebext/ztWebLibrary.h"
#include "ztwebext/ztWebMetrics.h"
#include "ztwebext/ztWebOpenApi.h"
#include "ztwebext/ztWebPages.h"
#include "ztwebext/ztWebText.h"

#include "messages/ztInfoLog.h"
#include "ztxmlint/xmlSessionManager.h"

#include <algorithm>
#include <exception>
#include <map>
#include <string_view>

namespace {

constexpr const char* kXml = "text/xml; charset=utf-8";
constexpr const char* kJson = "application/json";
constexpr const char* kHtml = "text/html; charset=utf-8";
constexpr const char* kRestXml = "application/xml; charset=utf-8";
constexpr const char* kRealm = "Basic realm=\"ztwebext\"";

enum class Endpoint { none, index, healthz, metrics, soap, jsonrpc, wsdl, doc, openapi, rest };

struct EndpointInfo {
    Endpoint itsEndpoint;
    const char* itsRoute;
    const char* itsAllow; // the methods besides HEAD and OPTIONS
};

// The first piece of a query, for the classic "ztwebext.dll?Soap" and "?WSDL" addresses.
std::string_view firstQueryPiece(std::string_view inQuery) {
    return inQuery.substr(0, inQuery.find('&'));
}

EndpointInfo endpointOf(const ztWebRequest& inRequest) {
    const std::string& path = inRequest.itsPath;
    if (path == "/")
        return {Endpoint::index, "index", "GET"};
    if (path == "/healthz")
        return {Endpoint::healthz, "healthz", "GET"};
    if (path == "/metrics")
        return {Endpoint::metrics, "metrics", "GET"};
    if (path == "/soap")
        return {Endpoint::soap, "soap", "POST"};
    if (path == "/jsonrpc")
        return {Endpoint::jsonrpc, "jsonrpc", "POST"};
    if (path == "/wsdl")
        return {Endpoint::wsdl, "wsdl", "GET"};
    if (path == "/doc")
        return {Endpoint::doc, "doc", "GET"};
    if (path == "/openapi.json")
        return {Endpoint::openapi, "openapi", "GET"};
    if (path.starts_with("/rest/") && path.size() > 6)
        return {Endpoint::rest, "rest", "GET, PUT, POST, DELETE"};
    if (ztWebEqualsNoCase(path, "/ztwebext.dll")) {
        const std::string_view piece = firstQueryPiece(inRequest.itsQuery);
        if (ztWebEqualsNoCase(piece, "Soap"))
            return {Endpoint::soap, "soap", "POST"};
        if (ztWebEqualsNoCase(piece, "WSDL"))
            return {Endpoint::wsdl, "wsdl", "GET"};
    }
    return {Endpoint::none, "other", ""};
}

bool allows(const EndpointInfo& inInfo, const std::string& inMethod) {
    std::string_view allow = inInfo.itsAllow;
    while (!allow.empty()) {
        const size_t comma = allow.find(',');
        if (ztWebTrim(allow.substr(0, comma)) == inMethod)
            return true;
        allow = comma == std::string_view::npos ? std::string_view() : allow.substr(comma + 1);
    }
    return false;
}

ztWebResponse textResponse(int inStatus, const char* inType, std::string inBody) {
    ztWebResponse response;
    response.itsStatus = inStatus;
    response.setHeader("Content-Type", inType);
    response.itsBody = std::move(inBody);
    return response;
}

// The address a client used for the WSDL: scheme, Host header and path, so that the
// published port address ends in /soap (or ztwebext.dll?Soap) on the same host.
std::string serviceAddress(const ztWebRequest& inRequest) {
    std::string host = inRequest.header("host");
    if (host.empty())
        host = inRequest.itsLocalAddress;
    return inRequest.itsScheme + "://" + host + inRequest.itsPath;
}

int methodCode(const std::string& inMethod) {
    if (inMethod == "PUT")
        return ztWebLibrary::methodPut;
    if (inMethod == "POST")
        return ztWebLibrary::methodPost;
    if (inMethod == "DELETE")
        return ztWebLibrary::methodDelete;
    return ztWebLibrary::methodGet; // GET, and HEAD, which answers as GET does
}

// The dialect the dispatcher picks for a REST request, mirrored to label the answer.
bool isXmlDialect(const std::string& inBody, bool inXmlWanted) {
    const size_t first = inBody.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return inXmlWanted;
    return inBody[first] != '{';
}

ztWebResponse withDispatch(ztWebDispatch inAnswer, const char* inType) {
    ztWebResponse response = textResponse(inAnswer.itsStatus, inType, std::move(inAnswer.itsText));
    for (const auto& [name, value] : inAnswer.itsHeaders)
        response.setHeader(name, value);
    if (response.itsStatus == 401)
        response.setHeader("WWW-Authenticate", kRealm);
    if (response.itsStatus == 204) {
        response.itsBody.clear();
        response.itsHeaders.erase(
            std::remove_if(response.itsHeaders.begin(), response.itsHeaders.end(),
                           [](const auto& inHeader) {
                               return ztWebEqualsNoCase(inHeader.first, "Content-Type");
                           }),
            response.itsHeaders.end());
    }
    return response;
}

// While the central server is fixed, a client's "server" parameter is dropped, so that no
// request makes the gateway connect to a server of the client's choosing.
std::string fixedQuery(const std::string& inQuery) {
    if (!xmlSessionManager::getInstance().isCentralServerFixed())
        return inQuery;
    std::string kept;
    std::string_view rest = inQuery;
    while (!rest.empty()) {
        // The library splits at "?" as well as "&".
        const size_t end = rest.find_first_of("&?");
        const std::string_view piece = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (ztWebEqualsNoCase(ztWebDecode(piece.substr(0, piece.find('=')), true), "server"))
            continue;
        if (!kept.empty())
            kept += '&';
        kept.append(piece);
    }
    return kept;
}

std::map<std::string, std::string> queryMap(const ztWebRequest& inRequest) {
    return ztWebParseQuery(fixedQuery(inRequest.itsQuery));
}

bool credentialsOf(const ztWebRequest& inRequest, ztWebCredentials& outCredentials,
                   ztWebResponse& outRefusal) {
    std::string error;
    if (ztWebReadAuthorization(inRequest.header("authorization"), outCredentials, error))
        return true;
    outRefusal = ztWebPlainResponse(401, error + "\n");
    outRefusal.setHeader("WWW-Authenticate", kRealm);
    return false;
}

} // namespace

ztWebResponse ztWebPlainResponse(int inStatus, const std::string& inText) {
    return textResponse(inStatus, "text/plain; charset=utf-8", inText);
}

bool ztWebRouter::isQuick(const ztWebRequest& inRequest) {
    const EndpointInfo info = endpointOf(inRequest);
    const std::string& method = inRequest.itsMethod;
    if (info.itsEndpoint == Endpoint::none || method == "OPTIONS")
        return true;
    const bool getLike = method == "GET" || method == "HEAD";
    if (!allows(info, method) && !(method == "HEAD" && allows(info, "GET")))
        return true;
    return getLike &&
           (info.itsEndpoint == Endpoint::healthz || info.itsEndpoint == Endpoint::metrics ||
            info.itsEndpoint == Endpoint::index);
}

ztWebRouter::ztWebRouter(ztWebMetrics& ioMetrics, const ztWebRouteSource& inRoutes)
    : itsMetrics(ioMetrics), itsRoutes(inRoutes) {}

ztWebResponse ztWebRouter::handle(const ztWebRequest& inRequest) const {
    try {
        ztWebResponse response = route(inRequest);
        if (inRequest.itsMethod == "HEAD")
            response.itsOmitBody = true;
        return response;
    } catch (const std::exception& inException) {
        ztLog(0, "ztwebext: %s %s failed: %s", inRequest.itsMethod.c_str(),
              inRequest.itsPath.c_str(), inException.what());
        ztWebResponse response = ztWebPlainResponse(500, "internal error\n");
        response.itsLabels.itsRoute = endpointOf(inRequest).itsRoute;
        return response;
    }
}

ztWebResponse ztWebRouter::route(const ztWebRequest& inRequest) const {
    const EndpointInfo info = endpointOf(inRequest);
    if (inRequest.itsPath == "*") {
        ztWebResponse response;
        response.itsStatus = 204;
        response.setHeader("Allow", "GET, PUT, POST, DELETE, HEAD, OPTIONS");
        return response;
    }
    if (info.itsEndpoint == Endpoint::none) {
        ztWebResponse response = ztWebPlainResponse(404, "no such endpoint; see /\n");
        return response;
    }
    const std::string allow = std::string(info.itsAllow) + ", HEAD, OPTIONS";
    const std::string& method = inRequest.itsMethod;
    if (method == "OPTIONS") {
        ztWebResponse response;
        response.itsStatus = 204;
        response.setHeader("Allow", allow);
        response.itsLabels.itsRoute = info.itsRoute;
        return response;
    }
    const bool getLike = method == "HEAD" && allows(info, "GET");
    if (!getLike && !allows(info, method)) {
        ztWebResponse response = ztWebPlainResponse(405, "method not allowed\n");
        response.setHeader("Allow", allow);
        response.itsLabels.itsRoute = info.itsRoute;
        return response;
    }
    // HEAD of a POST-only endpoint says what it would accept, without running anything.
    if (method == "HEAD" && !getLike) {
        ztWebResponse response;
        response.itsStatus = 204;
        response.setHeader("Allow", allow);
        response.itsLabels.itsRoute = info.itsRoute;
        return response;
    }
    if (inRequest.itsBody.find('\0') != std::string::npos) {
        ztWebResponse response = ztWebPlainResponse(400, "the body holds a NUL byte\n");
        response.itsLabels.itsRoute = info.itsRoute;
        return response;
    }

    ztWebResponse response;
    switch (info.itsEndpoint) {
    case Endpoint::index:
        response = textResponse(200, kHtml, ztWebIndexPage());
        break;
    case Endpoint::healthz:
        response = ztWebPlainResponse(200, "ok\n");
        break;
    case Endpoint::metrics:
        response =
            textResponse(200, "text/plain; version=0.0.4; charset=utf-8", itsMetrics.render());
        break;
    case Endpoint::soap:
        response = textResponse(200, kXml, ztWebLibrary::soap(inRequest.itsBody));
        response.itsLabels.itsDialect = "soap";
        break;
    case Endpoint::wsdl:
        response = textResponse(
            200, kXml,
            ztWebLibrary::wsdl(fixedQuery(inRequest.itsQuery), serviceAddress(inRequest)));
        break;
    case Endpoint::doc:
        response = textResponse(200, kHtml, ztWebLibrary::wsdlDoc(fixedQuery(inRequest.itsQuery)));
        break;
    case Endpoint::openapi: {
        const auto query = ztWebParseQuery(inRequest.itsQuery);
        const auto server = query.find("server");
        response =
            textResponse(200, kJson,
                         ztWebOpenApiDocument(
                             itsRoutes, server == query.end() ? std::string() : server->second,
                             inRequest.itsScheme + "://" +
                                 (inRequest.header("host").empty() ? inRequest.itsLocalAddress
                                                                   : inRequest.header("host"))));
        break;
    }
    case Endpoint::jsonrpc: {
        ztWebCredentials credentials;
        if (!credentialsOf(inRequest, credentials, response))
            break;
        response = withDispatch(
            ztWebLibrary::jsonRpc(inRequest.itsBody, queryMap(inRequest), credentials), kJson);
        response.itsLabels.itsDialect = "jsonrpc";
        break;
    }
    case Endpoint::rest: {
        ztWebCredentials credentials;
        if (!credentialsOf(inRequest, credentials, response))
            break;
        const bool xmlWanted =
            inRequest.itsBody.empty() && ztWebPrefersXml(inRequest.header("accept"));
        const bool xml = isXmlDialect(inRequest.itsBody, xmlWanted);
        response = withDispatch(ztWebLibrary::rest(ztWebDecode(inRequest.itsPath.substr(6), false),
                                                   methodCode(method), inRequest.itsBody,
                                                   queryMap(inRequest), xmlWanted, credentials),
                                xml ? kRestXml : kJson);
        response.itsLabels.itsDialect = xml ? "rest-xml" : "rest-json";
        break;
    }
    case Endpoint::none:
        break;
    }
    response.itsLabels.itsRoute = info.itsRoute;
    return response;
}
