// The in-process stand-in central server of --demo.
#include "ztwebext/ztWebDemo.h"

#include "ztcentral/server/ztCentralServer.h"

#include <cstdio>

ztWebDemo::ztWebDemo() = default;

ztWebDemo::~ztWebDemo() {
    stop();
}

std::string ztWebDemo::start(const std::string& inAddress) {
    ztCentralServer::Settings settings;
    settings.itsAddress = ztIPv6(inAddress.c_str());
    itsServer = std::make_unique<ztCentralServer>(std::move(settings));
    const ztErr started = itsServer->start();
    if (started == ztErr_noError)
        return {};
    itsServer.reset();
    char text[128];
    std::snprintf(text, sizeof text,
                  "cannot start the stand-in central server on %s port 1231 (error 0x%04X)",
                  inAddress.c_str(), started);
    return text;
}

void ztWebDemo::stop() {
    if (itsServer)
        itsServer->stop();
    itsServer.reset();
}

std::string ztWebDemo::banner(const std::string& inBaseUrl, const std::string& inAddress) {
    return "ztwebext demo: the stand-in central server runs on " + inAddress +
           " port 1231\n"
           "  credentials  " +
           loginName + " / " + password +
           "\n"
           "  start page   " +
           inBaseUrl +
           "/\n"
           "  SOAP         " +
           inBaseUrl +
           "/soap\n"
           "  JSON-RPC     " +
           inBaseUrl +
           "/jsonrpc\n"
           "  REST         " +
           inBaseUrl +
           "/rest/Users\n"
           "  WSDL         " +
           inBaseUrl + "/wsdl   (documentation: " + inBaseUrl +
           "/doc)\n"
           "  OpenAPI      " +
           inBaseUrl + "/openapi.json\n";
}
