#pragma once
// One HTTP request as the routing sees it and the answer it builds: plain data, so that
// routing, credentials and rendering know nothing of the server library underneath.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct ztWebRequest {
    std::string itsMethod; // as sent: "GET", "POST", ...
    std::string itsPath;   // the target up to "?", not decoded
    std::string itsQuery;  // the target after the first "?", not decoded; empty when none
    bool itsHasQuery = false;
    // Header names in lower case; a repeated header keeps its first value.
    std::vector<std::pair<std::string, std::string>> itsHeaders;
    std::string itsBody;
    std::string itsScheme = "http"; // "https" on a TLS connection
    std::string itsClient;          // the peer's address, for the access log
    std::string itsLocalAddress;    // ADDR:PORT served on, when the client sends no Host

    // The value of header inLowerName, or an empty text.
    const std::string& header(const std::string& inLowerName) const;
    bool hasHeader(const std::string& inLowerName) const;
};

// How a request is counted in the metrics and written in the access log.
struct ztWebLabels {
    std::string itsRoute = "other";  // soap, jsonrpc, rest, wsdl, doc, openapi, index, ...
    std::string itsDialect = "none"; // soap, jsonrpc, rest-json, rest-xml, none
};

struct ztWebResponse {
    int itsStatus = 200;
    std::vector<std::pair<std::string, std::string>> itsHeaders;
    std::string itsBody;
    // HEAD: Content-Length is that of itsBody, but no body is sent.
    bool itsOmitBody = false;
    bool itsClose = false; // close the connection after this answer
    ztWebLabels itsLabels;

    void setHeader(const std::string& inName, const std::string& inValue);
    const std::string* findHeader(const std::string& inName) const;
};
