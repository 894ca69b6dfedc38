// What the gateway costs: a small command through xmlRequest (SOAP and JSON-RPC, session
// lookup, parsing, rendering) beside the same command sent directly as an XMLCommand on one
// logged-in connection, both against the stand-in server over loopback, at 1, 8 and 32
// client threads sharing one session (one connection).
#include "cryptor/ztTestKeyPair.h"
#include "netobjects/ztConnectAnswer.h"
#include "netobjects/ztNetObjectHandler.h"
#include "ztcentral/server/ztCentralServer.h"
#include "ztxmlint/halNReqLogin.h"
#include "ztxmlint/halNReqXMLCommand.h"
#include "ztxmlint/ztXMLInt.h"

#include <benchmark/benchmark.h>
#include <tinyxml.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <string>

namespace {

constexpr const char* kAddress = "127.0.5.1";

// The server, one library session and one direct connection, made once for all runs.
struct Setting {
    std::unique_ptr<ztCentralServer> server;
    std::string session;
    std::unique_ptr<ztNetObjectHandler> direct;

    Setting() {
        ztCentralServer::Settings settings;
        settings.itsAddress = ztIPv6(kAddress);
        settings.itsPrivateKeyText = ztTestPrivateKeyText;
        server = std::make_unique<ztCentralServer>(std::move(settings));
        if (server->start() != ztErr_noError)
            throw std::runtime_error("cannot listen on 127.0.5.1:1231");
        const std::string login =
            std::string(R"({"jsonrpc":"2.0","method":"Login","params":{"server":")") + kAddress +
            R"(","loginName":"alice","password":"alice"},"id":1})";
        const char* result = nullptr;
        int32_t length = 0;
        xmlRequest(login.c_str(), &result, &length);
        const std::string answer(result, static_cast<size_t>(length));
        releaseResult(result);
        const size_t at = answer.find("\"session\":\"");
        if (at == std::string::npos)
            throw std::runtime_error("login failed: " + answer);
        session = answer.substr(at + 11, 20);

        ztConnectAnswer connectAnswer;
        direct = ztNetObjectHandler::connectToServer(ztIPv6(kAddress), 1231, kAddress, nullptr, 0,
                                                     nullptr, connectAnswer, true);
        halNReqLogin directLogin("alice", "alice", 3, false);
        direct->performRequest(directLogin);
    }
};

Setting& setting() {
    static Setting theSetting;
    return theSetting;
}

void runThroughLibrary(benchmark::State& ioState, const std::string& inRequest) {
    for (auto _ : ioState) {
        const char* result = nullptr;
        int32_t length = 0;
        xmlRequest(inRequest.c_str(), &result, &length);
        const bool fault = std::strstr(result, "Fault>") != nullptr ||
                           std::strstr(result, "\"error\":") != nullptr;
        if (fault) {
            ioState.SkipWithError(result);
            releaseResult(result);
            break;
        }
        releaseResult(result);
    }
    ioState.SetItemsProcessed(ioState.iterations());
}

void BM_SoapThroughXmlRequest(benchmark::State& ioState) {
    const std::string request =
        "<?xml version=\"1.0\"?><soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/"
        "envelope/\"><soap:Body><GetUsers><session>" +
        setting().session + "</session><limit>1</limit></GetUsers></soap:Body></soap:Envelope>";
    runThroughLibrary(ioState, request);
}

void BM_JsonRpcThroughXmlRequest(benchmark::State& ioState) {
    const std::string request = R"({"jsonrpc":"2.0","method":"GetUsers","params":{"session":")" +
                                setting().session + R"(","limit":1},"id":1})";
    runThroughLibrary(ioState, request);
}

void BM_DirectXMLCommand(benchmark::State& ioState) {
    ztNetObjectHandler& connection = *setting().direct;
    TiXmlDocument command;
    command.Parse("<Envelope><GetUsers><limit>1</limit></GetUsers></Envelope>");
    for (auto _ : ioState) {
        TiXmlElement answer("Body");
        halNReqXMLCommand request(*command.RootElement(), &answer, 0);
        connection.performRequest(request);
        benchmark::DoNotOptimize(answer.FirstChild());
    }
    ioState.SetItemsProcessed(ioState.iterations());
}

} // namespace

BENCHMARK(BM_DirectXMLCommand)->Threads(1)->Threads(8)->Threads(32)->UseRealTime();
BENCHMARK(BM_SoapThroughXmlRequest)->Threads(1)->Threads(8)->Threads(32)->UseRealTime();
BENCHMARK(BM_JsonRpcThroughXmlRequest)->Threads(1)->Threads(8)->Threads(32)->UseRealTime();

BENCHMARK_MAIN();
