// The protocol over loopback, end to end through the secure endpoint (AES-CFB and, where the
// payload allows, zlib): one packet there and back through the packet layer, a 10 MB object
// cut into packets and echoed by an accepting handler, and request/answer round trips with
// 1, 8 and 64 requests in flight on one connection.
#include "cryptor/ztTestKeyPair.h"
#include "net/ztSecureTCPEndpoint.h"
#include "netobjects/ztConnectAnswer.h"
#include "netobjects/ztNetObjectHandler.h"
#include "netobjects/ztNetPacketLayer.h"
#include "netobjects/ztNetReader.h"
#include "netobjects/ztNetRequest.h"
#include "netobjects/ztNetResponse.h"
#include "netobjects/ztNetServer.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstring>
#include <deque>
#include <memory>
#include <random>
#include <thread>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint16_t kPort = 1231;
constexpr uint16_t kEchoType = 100;

// Loopback addresses of their own, apart from those the tests use.
ztIPv6 benchAddress(uint8_t inLast) {
    return ztIPv6(ztIPv4(127, 0, 26, static_cast<uint8_t>(100 + inLast)));
}

Bytes payload(size_t inLength, bool inCompressible) {
    Bytes bytes(inLength);
    std::mt19937 generator(11);
    for (size_t i = 0; i < inLength; ++i)
        bytes[i] = inCompressible ? static_cast<uint8_t>("request "[i % 8])
                                  : static_cast<uint8_t>(generator());
    return bytes;
}

// Two secure endpoints connected over loopback, encrypted and compressing.
struct SecurePair {
    std::unique_ptr<ztSecureTCPEndpoint> listener;
    std::unique_ptr<ztNetEndpoint> server;
    std::unique_ptr<ztSecureTCPEndpoint> client;

    explicit SecurePair(uint8_t inLast) {
        listener = std::make_unique<ztSecureTCPEndpoint>(5000, nullptr, true);
        listener->setKeyPair(ztTestPrivateKeyText);
        listener->startListen(kPort, benchAddress(inLast));
        client = std::make_unique<ztSecureTCPEndpoint>(5000, nullptr, true);
        std::thread connector([&] { client->connect(benchAddress(inLast), kPort); });
        server = listener->accept();
        connector.join();
    }
};

// One packet from the client to a peer that sends it straight back.
void BM_packetRoundTrip(benchmark::State& ioState) {
    const size_t length = static_cast<size_t>(ioState.range(0));
    const bool compressible = ioState.range(1) != 0;
    SecurePair pair(static_cast<uint8_t>(1 + ioState.range(1)));
    if (!pair.server || !pair.client->isEncrypted()) {
        ioState.SkipWithError("no secure connection");
        return;
    }
    std::atomic<bool> done{false};
    std::thread echo([&] {
        ztNetPacketLayer packets(pair.server.get(), true);
        std::vector<uint8_t> buffer;
        uint32_t received = 0;
        while (!done) {
            if (packets.readPacket(buffer, received, 100) != ztErr_noError)
                continue;
            packets.writePacket(buffer, received);
        }
    });
    ztNetPacketLayer packets(pair.client.get(), true);
    const Bytes body = payload(length, compressible);
    std::vector<uint8_t> out(ztNetPacketLayer::payloadOffset + length + 1);
    std::vector<uint8_t> in;
    for (auto _ : ioState) {
        // Compression works in place, so the payload is put back each time.
        std::memcpy(out.data() + ztNetPacketLayer::payloadOffset, body.data(), length);
        packets.writePacket(out, static_cast<uint32_t>(length));
        uint32_t received = 0;
        if (packets.readPacket(in, received, 5000) != ztErr_noError || received != length) {
            ioState.SkipWithError("echo lost");
            break;
        }
    }
    done = true;
    echo.join();
    ioState.SetBytesProcessed(static_cast<int64_t>(ioState.iterations() * length * 2));
}
BENCHMARK(BM_packetRoundTrip)
    ->ArgNames({"bytes", "compressible"})
    ->Args({100, 1})
    ->Args({30000, 1})
    ->Args({30000, 0})
    ->UseRealTime();

class EchoRequest : public ztNetRequest {
public:
    explicit EchoRequest(const Bytes* inBody) : itsBody(inBody) {}
    ~EchoRequest() override { detachFromHandler(); }
    uint16_t getType() const override { return kEchoType; }
    void writeRequest() override {
        getBodyWriter().reset();
        getBodyWriter().putData(itsBody->data(), itsBody->size());
    }
    ztErr readData(ztNetReader& ioReader) override {
        itsAnswerLength = ioReader.remaining();
        ioReader.getData(nullptr, itsAnswerLength);
        return ztErr_noError;
    }
    size_t itsAnswerLength = 0;

private:
    const Bytes* itsBody;
};

class EchoResponse : public ztNetResponse {
public:
    uint16_t getType() const override { return kEchoType; }
    ztErr readData(ztNetReader& ioReader) override {
        Bytes body(ioReader.remaining());
        ioReader.getData(body.data(), body.size());
        getBodyWriter().reset();
        getBodyWriter().putData(body.data(), body.size());
        return ztErr_noError;
    }
};

// An accepting server that echoes, and a client connected to it as the library connects.
struct Connection {
    std::unique_ptr<ztNetServer> server;
    std::unique_ptr<ztNetObjectHandler> client;

    explicit Connection(uint8_t inLast) {
        ztNetServer::Settings settings;
        settings.itsAddress = benchAddress(inLast);
        settings.itsPrivateKeyText = ztTestPrivateKeyText;
        settings.itsFactories[kEchoType] = [] { return std::make_unique<EchoResponse>(); };
        server = std::make_unique<ztNetServer>(settings);
        if (server->listen() != ztErr_noError)
            return;
        server->start();
        ztConnectAnswer answer;
        client = ztNetObjectHandler::connectToServer(benchAddress(inLast), kPort, "bench", nullptr,
                                                     0, nullptr, answer, true);
    }
};

// A 10 MB object there and back: 350 packets each way.
void BM_largeObjectRoundTrip(benchmark::State& ioState) {
    Connection connection(10);
    const Bytes body = payload(10 * 1024 * 1024, ioState.range(0) != 0);
    for (auto _ : ioState) {
        EchoRequest request(&body);
        connection.client->performRequest(request);
        if (request.itsAnswerLength != body.size()) {
            ioState.SkipWithError("echo lost");
            break;
        }
    }
    ioState.SetBytesProcessed(static_cast<int64_t>(ioState.iterations() * body.size() * 2));
}
BENCHMARK(BM_largeObjectRoundTrip)
    ->ArgName("compressible")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Small requests (100 bytes each way) with a fixed number in flight: round trips per second.
void BM_requestsInFlight(benchmark::State& ioState) {
    Connection connection(static_cast<uint8_t>(20 + ioState.range(0)));
    const size_t inFlight = static_cast<size_t>(ioState.range(0));
    const Bytes body = payload(100, true);
    std::deque<std::unique_ptr<EchoRequest>> window;
    int64_t completed = 0;
    for (auto _ : ioState) {
        // One iteration is one completed request; the window stays full.
        while (window.size() < inFlight) {
            window.push_back(std::make_unique<EchoRequest>(&body));
            window.back()->send(connection.client.get());
        }
        if (!window.front()->waitForCompletion(5000) || !window.front()->succeeded()) {
            ioState.SkipWithError("request failed");
            break;
        }
        window.pop_front();
        ++completed;
    }
    for (const auto& request : window)
        request->waitForCompletion(5000);
    ioState.SetItemsProcessed(completed);
}
BENCHMARK(BM_requestsInFlight)->ArgName("inFlight")->Arg(1)->Arg(8)->Arg(64)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
