// What the gateway costs: a small command through xmlRequest (SOAP and JSON-RPC, session
// lookup, parsing, typed conversion, rendering) beside the same command sent directly as an
// XMLCommand on one logged-in connection, both against the stand-in server over loopback, at
// 1, 8 and 32 client threads sharing one session (one connection). The floor beside them: a
// plain TCP echo of 100 bytes over loopback through the same endpoint layer, without
// encryption, packets or threads of the library.
#include "cryptor/ztRSACryptor.h"
#include "cryptor/ztTestKeyPair.h"
#include "net/ztTCPEndpoint.h"
#include "netobjects/ztConnectAnswer.h"
#include "netobjects/ztNetObjectHandler.h"
#include "ztcentral/server/ztCentralServer.h"
#include "ztxmlint/halNReqLogin.h"
#include "ztxmlint/halNReqXMLCommand.h"
#include "ztxmlint/xmlSessionManager.h"
#include "ztxmlint/xmlWSDLConversion.h"
#include "ztxmlint/ztXMLInt.h"

#include <benchmark/benchmark.h>
#include <tinyxml.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

// The first three parts of the loopback addresses, from ZT_BENCH_NET when it is set, so that
// runs side by side on one machine need not share port 1231 on one address.
std::string loopbackNet() {
    const char* net = std::getenv("ZT_BENCH_NET");
    return net != nullptr && net[0] != '\0' ? net : "127.0.26";
}

const std::string kAddress = loopbackNet() + ".1";
const std::string kEchoAddress = loopbackNet() + ".2";

// The server, one library session and one direct connection, made once for all runs.
struct Setting {
    std::unique_ptr<ztCentralServer> server;
    std::string session;
    std::unique_ptr<ztNetObjectHandler> direct;

    Setting() {
        ztCentralServer::Settings settings;
        settings.itsAddress = ztIPv6(kAddress.c_str());
        settings.itsPrivateKeyText = ztTestPrivateKeyText;
        server = std::make_unique<ztCentralServer>(std::move(settings));
        if (server->start() != ztErr_noError)
            throw std::runtime_error(std::string("cannot listen on ") + kAddress + ":1231");
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
        direct = ztNetObjectHandler::connectToServer(ztIPv6(kAddress.c_str()), 1231, kAddress,
                                                     nullptr, 0, nullptr, connectAnswer, true);
        halNReqLogin directLogin("alice", "alice", 3, false);
        direct->performRequest(directLogin);
    }
};

Setting& setting() {
    static Setting theSetting;
    return theSetting;
}

// The CPU time of the whole process per call ("cpu_us": callers, the connection's handler
// thread and the stand-in server together), which holds still on a loaded machine where the
// wall time does not. Thread 0 reports it for the calls of all threads.
class ProcessCpu {
public:
    explicit ProcessCpu(benchmark::State& ioState) : itsState(ioState) {}
    ProcessCpu(const ProcessCpu&) = delete;
    ProcessCpu& operator=(const ProcessCpu&) = delete;
    ~ProcessCpu() {
        if (itsState.thread_index() != 0 || itsState.iterations() == 0)
            return;
        const double micros = 1e6 * static_cast<double>(std::clock() - itsStart) / CLOCKS_PER_SEC;
        itsState.counters["cpu_us"] = micros / static_cast<double>(itsState.iterations()) /
                                      static_cast<double>(itsState.threads());
    }

private:
    benchmark::State& itsState;
    std::clock_t itsStart = std::clock();
};

void runThroughLibrary(benchmark::State& ioState, const std::string& inRequest) {
    ProcessCpu cpu(ioState);
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

// direct:1 lets the calling thread write its request's packet itself (the default);
// direct:0 leaves every packet to the connection's handler thread, one wake-up more per call.
void BM_DirectXMLCommand(benchmark::State& ioState) {
    ztNetObjectHandler& connection = *setting().direct;
    if (ioState.thread_index() == 0)
        connection.setDirectSends(ioState.range(0) != 0);
    TiXmlDocument command;
    command.Parse("<Envelope><GetUsers><limit>1</limit></GetUsers></Envelope>");
    ProcessCpu cpu(ioState);
    for (auto _ : ioState) {
        TiXmlElement answer("Body");
        halNReqXMLCommand request(*command.RootElement(), &answer, 0);
        connection.performRequest(request);
        benchmark::DoNotOptimize(answer.FirstChild());
    }
    ioState.SetItemsProcessed(ioState.iterations());
}

// A plain TCP echo: the client writes 100 bytes and waits for the same 100 back from a
// thread that echoes them, both over ztTCPEndpoint (poll and one system call per read or
// write), the least a round trip on loopback costs.
void BM_TcpEcho(benchmark::State& ioState) {
    constexpr uint32_t kLength = 100;
    ztTCPEndpoint listener(5000);
    if (listener.startListen(1231, ztIPv6(kEchoAddress.c_str())) != ztErr_noError) {
        ioState.SkipWithError("cannot listen for the echo");
        return;
    }
    ztTCPEndpoint client(5000);
    std::unique_ptr<ztNetEndpoint> server;
    std::thread acceptor([&] { server = listener.accept(); });
    const ztErr connected = client.connect(ztIPv6(kEchoAddress.c_str()), 1231);
    acceptor.join();
    if (connected != ztErr_noError || !server) {
        ioState.SkipWithError("no echo connection");
        return;
    }
    std::thread echo([&] {
        std::vector<uint8_t> buffer(kLength);
        while (server->readFully(buffer.data(), kLength) == ztErr_noError &&
               server->write(buffer.data(), kLength) == ztErr_noError &&
               server->flush() == ztErr_noError) {
        }
    });
    std::vector<uint8_t> out(kLength, 'x');
    std::vector<uint8_t> in(kLength);
    ProcessCpu cpu(ioState);
    for (auto _ : ioState) {
        client.write(out.data(), kLength);
        client.flush();
        if (client.readFully(in.data(), kLength) != ztErr_noError) {
            ioState.SkipWithError("echo lost");
            break;
        }
    }
    client.close();
    echo.join();
    ioState.SetItemsProcessed(ioState.iterations());
}

// Typed conversion on (the default) or off for the gateway rows: arg 1 or 0.
void setTyped(benchmark::State& ioState) {
    if (ioState.thread_index() != 0)
        return;
    xmlSessionManager::getInstance().setTypedConversion(
        ioState.range(0) != 0 ? std::make_shared<const xmlWSDLConversion>() : nullptr);
}

void BM_SoapTyped(benchmark::State& ioState) {
    setTyped(ioState);
    BM_SoapThroughXmlRequest(ioState);
}

void BM_JsonRpcTyped(benchmark::State& ioState) {
    setTyped(ioState);
    BM_JsonRpcThroughXmlRequest(ioState);
}

// Logins through xmlRequest: Login (a connection with its secure handshake, Connect and the
// server's Login) and Logout, which ends the session and its connection.
void BM_LoginThroughXmlRequest(benchmark::State& ioState) {
    setting();
    const std::string login =
        std::string(R"({"jsonrpc":"2.0","method":"Login","params":{"server":")") + kAddress +
        R"(","loginName":"alice","password":"alice"},"id":1})";
    for (auto _ : ioState) {
        const char* result = nullptr;
        int32_t length = 0;
        xmlRequest(login.c_str(), &result, &length);
        const std::string answer(result, static_cast<size_t>(length));
        releaseResult(result);
        const size_t at = answer.find("\"session\":\"");
        if (at == std::string::npos) {
            ioState.SkipWithError(answer.c_str());
            break;
        }
        const std::string logout = R"({"jsonrpc":"2.0","method":"Logout","params":{"session":")" +
                                   answer.substr(at + 11, 20) + R"("},"id":2})";
        xmlRequest(logout.c_str(), &result, &length);
        releaseResult(result);
    }
    ioState.SetItemsProcessed(ioState.iterations());
}

// The bound on logins: the server's RSA-2048 private-key operation, one per handshake
// (decrypting the client's secret with the server's key).
void BM_RsaPrivateKeyOperation(benchmark::State& ioState) {
    ztRSACryptor rsa;
    if (!rsa.setPrivateKeyText(ztTestPrivateKeyText)) {
        ioState.SkipWithError("the test key does not decode");
        return;
    }
    const std::vector<uint8_t> secret(64, 7);
    std::vector<uint8_t> block;
    rsa.encrypt(secret.data(), secret.size(), block);
    std::vector<uint8_t> plain;
    for (auto _ : ioState) {
        if (!rsa.decrypt(block.data(), block.size(), plain)) {
            ioState.SkipWithError("decrypting failed");
            break;
        }
    }
    ioState.SetItemsProcessed(ioState.iterations());
}

} // namespace

BENCHMARK(BM_RsaPrivateKeyOperation)->Threads(1)->Threads(2)->UseRealTime();
BENCHMARK(BM_LoginThroughXmlRequest)->Threads(1)->Threads(8)->UseRealTime();
BENCHMARK(BM_TcpEcho)->UseRealTime();
BENCHMARK(BM_DirectXMLCommand)
    ->ArgName("direct")
    ->Arg(1)
    ->Arg(0)
    ->Threads(1)
    ->Threads(8)
    ->Threads(32)
    ->UseRealTime();
BENCHMARK(BM_SoapTyped)
    ->ArgName("typed")
    ->Arg(1)
    ->Threads(1)
    ->Threads(8)
    ->Threads(32)
    ->UseRealTime();
BENCHMARK(BM_JsonRpcTyped)
    ->ArgName("typed")
    ->Arg(1)
    ->Arg(0)
    ->Threads(1)
    ->Threads(8)
    ->Threads(32)
    ->UseRealTime();

BENCHMARK_MAIN();
