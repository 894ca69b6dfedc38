// What the WSDL-typed conversion adds to a JSON-RPC request: GetDNSZones answering 100
// zones, typed against untyped. In process (no network): reading the request and
// converting it, and rendering the 100-zone answer as JSON with and without its conversion,
// against the stand-in server's WSDL. Through xmlRequest: the whole request against the
// stand-in server on 127.0.26.40 over loopback.
#include "cryptor/ztTestKeyPair.h"
#include "netobjects/ztDynamicNetWriter.h"
#include "netobjects/ztNetReader.h"
#include "util/ztWSDL.h"
#include "util/ztXMLUtil.h"
#include "ztcentral/server/ztCentralServer.h"
#include "ztcentral/catalog/ztCentralWSDL.h"
#include "ztxmlint/xmlJsonFrontEnd.h"
#include "ztxmlint/xmlSessionManager.h"
#include "ztxmlint/xmlWSDLConversion.h"
#include "ztxmlint/ztXMLInt.h"

#include <benchmark/benchmark.h>
#include <tinyxml.h>

#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>

namespace {

constexpr const char* kAddress = "127.0.26.40";
constexpr int kZones = 100;

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

// A GetDNSZones answer as the stand-in writes it, with kZones zones.
const TiXmlElement& zonesAnswer() {
    static const TiXmlElement theAnswer = [] {
        std::string text = "<GetDNSZonesResponse><dnsZones>";
        for (int i = 0; i < kZones; ++i) {
            const std::string n = std::to_string(i + 1);
            text += "<dnsZone><ref>{#4-#" + n + "}</ref><name>z" + n +
                    ".example.</name><dnsServerRef>{#2-#1}</dnsServerRef><type>Master</type>"
                    "<dynamic>1</dynamic><authority>ns1.corp.example.</authority>"
                    "<customProperties><property><name>Owner</name><value>Network team</value>"
                    "</property></customProperties></dnsZone>";
        }
        text += "</dnsZones><totalResults>" + std::to_string(kZones) +
                "</totalResults></GetDNSZonesResponse>";
        TiXmlDocument document;
        document.Parse(text.c_str());
        return *document.RootElement();
    }();
    return theAnswer;
}

const std::string kZonesRequest =
    R"({"jsonrpc":"2.0","method":"GetDNSZones","params":{"session":"abcdefghijklmnopqrst",)"
    R"("dnsServerRef":"{#2-ns1.corp.example.}","filter":"example","offset":0,"limit":100},"id":1})";

// Arg 0: untyped, 1: typed.
void BM_ReadRequest(benchmark::State& ioState) {
    const bool typed = ioState.range(0) != 0;
    const ztWSDL& wsdl = centralWSDL();
    const xmlWSDLConversion conversion;
    const TiXmlElement* declaration = wsdl.getInputElement("GetDNSZones");
    for (auto _ : ioState) {
        TiXmlDocument document;
        std::string id;
        TiXmlElement* command = parseJsonRpcRequest(kZonesRequest, document, "", id);
        if (typed)
            conversion.convertRequest(wsdl, declaration, *command, xmlDialect_jsonRpc);
        benchmark::DoNotOptimize(command->FirstChild());
    }
}

void BM_RenderZonesAnswer(benchmark::State& ioState) {
    const bool typed = ioState.range(0) != 0;
    const ztWSDL& wsdl = centralWSDL();
    const xmlWSDLConversion conversion;
    const TiXmlElement* declaration = wsdl.getOutputElement("GetDNSZones");
    const TiXmlElement& source = zonesAnswer();
    for (auto _ : ioState) {
        ztXMLFlatTree tree;
        const auto answer = tree.appendCopy(ztXMLFlatTree::document, source);
        if (typed)
            conversion.convertResponse(wsdl, declaration, tree, answer, xmlDialect_jsonRpc);
        std::string json;
        ztXMLUtil::writeJson(tree, answer, json, -1);
        benchmark::DoNotOptimize(json.data());
    }
}

void BM_ConvertZonesAnswerOnly(benchmark::State& ioState) {
    const ztWSDL& wsdl = centralWSDL();
    const xmlWSDLConversion conversion;
    const TiXmlElement* declaration = wsdl.getOutputElement("GetDNSZones");
    ztXMLFlatTree tree;
    const auto answer = tree.appendCopy(ztXMLFlatTree::document, zonesAnswer());
    for (auto _ : ioState)
        conversion.convertResponse(wsdl, declaration, tree, answer, xmlDialect_jsonRpc);
}

std::string call(const std::string& inRequest) {
    const char* result = nullptr;
    int32_t length = 0;
    xmlRequest(inRequest.c_str(), &result, &length);
    std::string text(result, static_cast<size_t>(length));
    releaseResult(result);
    return text;
}

// The server with kZones zones and one library session, made once for all runs.
struct Setting {
    std::unique_ptr<ztCentralServer> server;
    std::string session;

    Setting() {
        ztCentralServer::Settings settings;
        settings.itsAddress = ztIPv6(kAddress);
        settings.itsPrivateKeyText = ztTestPrivateKeyText;
        server = std::make_unique<ztCentralServer>(std::move(settings));
        if (server->start() != ztErr_noError)
            throw std::runtime_error(std::string("cannot listen on ") + kAddress + ":1231");
        const std::string login =
            call(std::string(R"({"jsonrpc":"2.0","method":"Login",)") + R"("params":{"server":")" +
                 kAddress + R"(","loginName":"administrator","password":"demo"},"id":1})");
        const size_t at = login.find("\"session\":\"");
        if (at == std::string::npos)
            throw std::runtime_error("login failed: " + login);
        session = login.substr(at + 11, 20);
        // The seed holds four zones.
        for (int i = 4; i < kZones; ++i) {
            const std::string added = call(
                R"({"jsonrpc":"2.0","method":"AddDNSZone","params":{"session":")" + session +
                R"(","dnsZone":{"name":"z)" + std::to_string(i) +
                R"(.example.","dnsServerRef":"{#2-ns1.corp.example.}","dynamic":"1"}},"id":2})");
            if (added.find("\"error\":") != std::string::npos)
                throw std::runtime_error("adding a zone failed: " + added);
        }
    }
};

Setting& setting() {
    static Setting theSetting;
    return theSetting;
}

void BM_GetDNSZonesThroughXmlRequest(benchmark::State& ioState) {
    const bool typed = ioState.range(0) != 0;
    const std::string request = R"({"jsonrpc":"2.0","method":"GetDNSZones","params":{"session":")" +
                                setting().session + R"("},"id":1})";
    xmlSessionManager& manager = xmlSessionManager::getInstance();
    manager.setTypedConversion(typed ? std::make_shared<const xmlWSDLConversion>() : nullptr);
    const std::string check = call(request);
    const char* expected = typed ? "\"totalResults\":100" : "\"totalResults\":\"100\"";
    if (check.find(expected) == std::string::npos) {
        ioState.SkipWithError(check.c_str());
        return;
    }
    for (auto _ : ioState) {
        const char* result = nullptr;
        int32_t length = 0;
        xmlRequest(request.c_str(), &result, &length);
        benchmark::DoNotOptimize(length);
        releaseResult(result);
    }
    ioState.SetItemsProcessed(ioState.iterations());
    ioState.SetBytesProcessed(ioState.iterations() * static_cast<int64_t>(check.size()));
}

} // namespace

BENCHMARK(BM_ReadRequest)->ArgName("typed")->Arg(0)->Arg(1);
BENCHMARK(BM_RenderZonesAnswer)->ArgName("typed")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ConvertZonesAnswerOnly)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GetDNSZonesThroughXmlRequest)
    ->ArgName("typed")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

BENCHMARK_MAIN();
