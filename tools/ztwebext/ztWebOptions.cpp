// Parsing the command line and the environment of ztwebext, and its help text.
#include "ztwebext/ztWebOptions.h"

#include "common/ztCommandLine.h"

#include <cstdlib>
#include <string_view>

namespace {

constexpr uint32_t kMaxWorkers = 1024;

std::string parseListen(std::string_view inText, ztWebOptions& outOptions) {
    std::string_view host;
    std::string_view port;
    if (std::string error = ztSplitHostPort(inText, host, port); !error.empty())
        return error;
    if (host.empty())
        return "--listen needs ADDR:PORT, not \"" + std::string(inText) + "\"";
    outOptions.itsListenHost = std::string(host);
    if (port.empty())
        return "--listen needs ADDR:PORT, not \"" + std::string(inText) + "\"";
    uint64_t value = 0;
    if (!ztParseDecimal(port, 65535, value) || value == 0)
        return "bad port \"" + std::string(port) + "\"";
    outOptions.itsListenPort = static_cast<uint16_t>(value);
    return {};
}

std::string readMilliseconds(const char* inName, uint32_t inMinimum, uint32_t& ioValue) {
    const char* text = std::getenv(inName);
    if (text == nullptr || *text == '\0')
        return {};
    uint64_t value = 0;
    if (!ztParseDecimal(text, UINT32_MAX, value) || value < inMinimum)
        return std::string("bad value \"") + text + "\" in " + inName;
    ioValue = static_cast<uint32_t>(value);
    return {};
}

} // namespace

std::string ztWebOptions::parse(int inCount, const char* const* inArguments,
                                ztWebOptions& outOptions) {
    for (int i = 0; i < inCount; ++i) {
        const std::string_view argument = inArguments[i];
        if (argument == "--help" || argument == "-h") {
            outOptions.itsHelp = true;
            return {};
        }
    }
    for (int i = 0; i < inCount; ++i) {
        const std::string_view option = inArguments[i];
        if (option == "--central-fixed") {
            outOptions.itsCentralFixed = true;
            continue;
        }
        if (option == "--demo") {
            outOptions.itsDemo = true;
            continue;
        }
        if (i + 1 >= inCount)
            return "unknown option or missing value: " + std::string(option);
        const std::string_view value = inArguments[++i];
        uint64_t number = 0;
        if (option == "--listen") {
            if (std::string error = parseListen(value, outOptions); !error.empty())
                return error;
        } else if (option == "--central") {
            if (value.empty())
                return "--central needs a host name or address";
            outOptions.itsCentral = std::string(value);
        } else if (option == "--session-timeout") {
            if (!ztParseDecimal(value, INT32_MAX, number) || number == 0)
                return "bad session timeout \"" + std::string(value) + "\"";
            outOptions.itsSessionTimeout = static_cast<int32_t>(number);
        } else if (option == "--workers") {
            if (!ztParseDecimal(value, kMaxWorkers, number) || number == 0)
                return "bad worker count \"" + std::string(value) + "\" (1 to 1024)";
            outOptions.itsWorkers = static_cast<uint32_t>(number);
        } else if (option == "--tls-cert") {
            outOptions.itsTlsCert = std::string(value);
        } else if (option == "--tls-key") {
            outOptions.itsTlsKey = std::string(value);
        } else if (option == "--log-level") {
            if (!ztParseDecimal(value, 7, number))
                return "bad log level \"" + std::string(value) + "\" (0 to 7)";
            outOptions.itsLogLevel = static_cast<int>(number);
        } else {
            return "unknown option: " + std::string(option);
        }
    }
    if (outOptions.itsTlsCert.empty() != outOptions.itsTlsKey.empty())
        return "--tls-cert and --tls-key go together";
    return readEnvironment(outOptions);
}

std::string ztWebOptions::readEnvironment(ztWebOptions& ioOptions) {
    // A time-out of 0 would cut off every client; 1 ms is the shortest that tests use.
    for (const auto& [name, value] : {std::pair<const char*, uint32_t*>{
                                          "ZTWEBEXT_READ_TIMEOUT_MS", &ioOptions.itsReadTimeoutMs},
                                      {"ZTWEBEXT_IDLE_TIMEOUT_MS", &ioOptions.itsIdleTimeoutMs},
                                      {"ZTWEBEXT_WRITE_TIMEOUT_MS", &ioOptions.itsWriteTimeoutMs},
                                      {"ZTWEBEXT_DRAIN_TIMEOUT_MS", &ioOptions.itsDrainTimeoutMs},
                                      {"ZTWEBEXT_MAX_CONNECTIONS", &ioOptions.itsMaxConnections},
                                      {"ZTWEBEXT_MAX_QUEUED", &ioOptions.itsMaxQueued}}) {
        if (std::string error = readMilliseconds(name, 1, *value); !error.empty())
            return error;
    }
    if (const char* demo = std::getenv("ZTWEBEXT_DEMO_ADDRESS"); demo != nullptr && *demo != '\0')
        ioOptions.itsDemoAddress = demo;
    return {};
}

std::string ztWebOptions::usage() {
    return R"(Usage: ztwebext [OPTIONS]
The HTTP/1.1 front end of ztXMLInt: web clients reach the central server through it in
SOAP 1.1, JSON-RPC and REST.

  --listen ADDR:PORT       where to serve (default 127.0.0.1:8080; IPv6 as [::1]:8080)
  --central HOST           the default central server (port 1231; default localhost)
  --central-fixed          clients may not pick another central server ("server" query)
  --session-timeout SECS   idle timeout of sessions (default 1200)
  --workers N              threads running requests (default 16, at most 1024); 4 per
                           core run at once, more while requests wait on a slow central
                           server
  --tls-cert FILE          serve HTTPS with this PEM certificate (chain) ...
  --tls-key FILE           ... and this PEM private key
  --demo                   also run the stand-in central server on 127.0.0.1:1231 with its
                           demo data, and print the URLs and the demo credentials
  --log-level N            the library's log threshold, 0 (errors) to 7 (debug)
  -h, --help               this text

Endpoints:
  POST /soap, POST /ztwebext.dll?Soap   SOAP 1.1 (text/xml)
  POST /jsonrpc                         JSON-RPC (application/json)
  GET|PUT|POST|DELETE /rest/PATH        REST; JSON, or XML with "Accept: application/xml"
  GET /wsdl, GET /ztwebext.dll?WSDL     the WSDL, its address pointing at /soap
  GET /doc                              the WSDL's documentation page
  GET /openapi.json                     OpenAPI 3.1 for the REST routes and JSON-RPC
  GET /healthz, GET /metrics            liveness, and Prometheus metrics
REST and JSON-RPC take a session as ?session=ID or "Authorization: Bearer ID"; with
"Authorization: Basic" the request logs in for itself and the session ends with it.

Environment (milliseconds unless said otherwise):
  ZTWEBEXT_READ_TIMEOUT_MS   a request must arrive whole within this (10000), else 408
  ZTWEBEXT_IDLE_TIMEOUT_MS   an idle keep-alive connection is closed after this (30000)
  ZTWEBEXT_WRITE_TIMEOUT_MS  a client must take its answer within this (10000)
  ZTWEBEXT_DRAIN_TIMEOUT_MS  at SIGTERM/SIGINT, requests in flight get this long (10000)
  ZTWEBEXT_MAX_CONNECTIONS   open connections; more are answered 503 (1024)
  ZTWEBEXT_MAX_QUEUED        requests waiting for a worker; more are answered 503 (4096)
  ZTWEBEXT_DEMO_ADDRESS      the loopback address --demo runs the stand-in on (127.0.0.1)

Exit status: 0 after SIGTERM or SIGINT, 1 when serving cannot start, 2 for bad usage.
)";
}
