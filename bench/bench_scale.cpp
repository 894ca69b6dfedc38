// How the gateway's own work grows with the size of requests and answers, in process and
// without the network, with DNS records as the stand-in server writes them:
// - answers of 1,000, 10,000 and 100,000 records: the net form read into the response
//   document, the typed conversion (JSON dialects) and the rendering, in every dialect;
// - requests of as many records: the text read into the internal form (and typed), and the
//   body written in the net form;
// - the parsers alone beside other parsers of the same 1 MB text: the JSON-RPC reader
//   beside nlohmann-json, the SOAP reader beside TinyXML;
// - a 10 MB answer (100,000 records) as it arrives: decrypting and inflating its packets
//   alone, against everything the library does with it until the SOAP or JSON-RPC text.
// Time per item is the reading: CPU time divided by the items (items_per_second).
#include "cryptor/ztCipherSet.h"
#include "netobjects/ztDynamicNetWriter.h"
#include "netobjects/ztNetReader.h"
#include "netobjects/ztZlibCodec.h"
#include "util/ztWSDL.h"
#include "ztcentral/catalog/ztCentralWSDL.h"
#include "ztxmlint/xmlJsonFrontEnd.h"
#include "ztxmlint/xmlNetForm.h"
#include "ztxmlint/xmlSoapEnvelope.h"
#include "ztxmlint/xmlWSDLConversion.h"

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>
#include <tinyxml.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kMaxDataSize = 30000; // object data per packet, as the handler cuts it

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

const xmlWSDLConversion& conversion() {
    static const xmlWSDLConversion theConversion;
    return theConversion;
}

// One record's members in the order the stand-in writes them.
struct Record {
    std::string ref, name, type, ttl, data, comment, enabled;
};

Record record(int inIndex) {
    const std::string n = std::to_string(inIndex + 1);
    return {"{#5-#" + n + "}",
            "host" + n,
            "A",
            "3600",
            "10." + std::to_string((inIndex >> 16) & 255) + "." +
                std::to_string((inIndex >> 8) & 255) + "." + std::to_string(inIndex & 255),
            "Rack " + std::to_string(inIndex % 40),
            inIndex % 2 == 0 ? "1" : "0"};
}

std::string recordXml(const Record& inRecord, bool inWithRef) {
    std::string text = "<dnsRecord>";
    if (inWithRef)
        text += "<ref>" + inRecord.ref + "</ref>";
    text += "<name>" + inRecord.name + "</name><dnsZoneRef>{#4-#1}</dnsZoneRef><type>" +
            inRecord.type + "</type><ttl>" + inRecord.ttl + "</ttl><data>" + inRecord.data +
            "</data><comment>" + inRecord.comment + "</comment><enabled>" + inRecord.enabled +
            "</enabled></dnsRecord>";
    return text;
}

std::string recordJson(const Record& inRecord) {
    return R"({"name":")" + inRecord.name + R"(","dnsZoneRef":"{#4-#1}","type":")" + inRecord.type +
           R"(","ttl":")" + inRecord.ttl + R"(","data":")" + inRecord.data + R"(","comment":")" +
           inRecord.comment + R"(","enabled":")" + inRecord.enabled + "\"}";
}

// The GetDNSRecords answer of inCount records in the net form, as it arrives in the body.
const std::vector<uint8_t>& answerNetForm(int inCount) {
    static std::map<int, std::vector<uint8_t>> theForms;
    auto& form = theForms[inCount];
    if (!form.empty())
        return form;
    std::string text = "<GetDNSRecordsResponse><dnsRecords>";
    for (int i = 0; i < inCount; ++i)
        text += recordXml(record(i), true);
    text += "</dnsRecords><totalResults>" + std::to_string(inCount) +
            "</totalResults></GetDNSRecordsResponse>";
    TiXmlDocument document;
    document.Parse(text.c_str());
    ztDynamicNetWriter body(text.size() + 1024);
    writeNetFormXML(body, document);
    form.assign(body.data(), body.data() + body.count());
    return form;
}

// AddDNSRecords requests of inCount records.
std::string soapRequest(int inCount) {
    std::string text = "<?xml version=\"1.0\"?><soap:Envelope xmlns:soap=\"http://"
                       "schemas.xmlsoap.org/soap/envelope/\"><soap:Body><AddDNSRecords>"
                       "<session>abcdefghijklmnopqrst</session><dnsRecords>";
    for (int i = 0; i < inCount; ++i)
        text += recordXml(record(i), false);
    return text + "</dnsRecords></AddDNSRecords></soap:Body></soap:Envelope>";
}

std::string jsonItems(int inCount) {
    std::string text = "[";
    for (int i = 0; i < inCount; ++i) {
        if (i > 0)
            text += ',';
        text += recordJson(record(i));
    }
    return text + "]";
}

std::string jsonRpcRequest(int inCount) {
    return R"({"jsonrpc":"2.0","method":"AddDNSRecords","params":{"session":)"
           R"("abcdefghijklmnopqrst","dnsRecords":)" +
           jsonItems(inCount) + R"(},"id":1})";
}

std::string restJsonBody(int inCount) {
    return R"({"dnsRecords":)" + jsonItems(inCount) + "}";
}

std::string restXmlBody(int inCount) {
    std::string text = "<AddDNSRecords><dnsRecords>";
    for (int i = 0; i < inCount; ++i)
        text += recordXml(record(i), false);
    return text + "</dnsRecords></AddDNSRecords>";
}

// Records in a request of about 1 MB in either dialect.
constexpr int kMegabyteRecords = 5400;

enum Dialect : int64_t { soap = 0, jsonRpc = 1, restJson = 2, restXml = 3 };

xmlDialect dialectOf(int64_t inDialect) {
    switch (inDialect) {
    case soap:
        return xmlDialect_soap;
    case jsonRpc:
        return xmlDialect_jsonRpc;
    case restJson:
        return xmlDialect_restJson;
    default:
        return xmlDialect_restXml;
    }
}

// The answer's way through the library after its body has arrived: replayed below the
// response document's body, typed, renamed as the dispatcher does, rendered.
size_t renderFromNetForm(const std::vector<uint8_t>& inForm, xmlDialect inDialect, bool inTyped) {
    TiXmlDocument response;
    writeEnvelope(response, "soap", xmlSoapEnvelopeNamespace, inDialect);
    ztXMLFlatTree tree;
    tree.appendCopy(ztXMLFlatTree::document, response);
    const auto body = tree.firstChildElement(
        tree.firstChildElement(ztXMLFlatTree::document, "soap:Envelope"), "soap:Body");
    ztNetReader reader(inForm.data(), inForm.size());
    readNetFormXML(reader, tree, body);
    const auto answer = tree.firstChildElement(body);
    if (inTyped)
        conversion().convertResponse(centralWSDL(), centralWSDL().getOutputElement("GetDNSRecords"),
                                     tree, answer, inDialect);
    if (inDialect == xmlDialect_soap) {
        tree.setAttribute(answer, "xmlns", "urn:bench");
    } else {
        tree.setValue(body, "response");
        tree.setValue(answer, "result");
    }
    std::string text;
    renderAnswer(tree, body, inDialect, "1", false, false, text);
    return text.size();
}

// Args: dialect, typed, records.
void BM_Answer(benchmark::State& ioState) {
    const xmlDialect dialect = dialectOf(ioState.range(0));
    const bool typed = ioState.range(1) != 0;
    const int count = static_cast<int>(ioState.range(2));
    const std::vector<uint8_t>& form = answerNetForm(count);
    size_t size = 0;
    for (auto _ : ioState)
        size = renderFromNetForm(form, dialect, typed);
    ioState.SetItemsProcessed(ioState.iterations() * count);
    ioState.counters["answer_bytes"] = static_cast<double>(size);
}

// The request's way: its text read into the internal form, typed, and the body written in
// the net form. Args: dialect, typed, records.
void BM_Request(benchmark::State& ioState) {
    const xmlDialect dialect = dialectOf(ioState.range(0));
    const bool typed = ioState.range(1) != 0;
    const int count = static_cast<int>(ioState.range(2));
    std::string text;
    switch (ioState.range(0)) {
    case soap:
        text = soapRequest(count);
        break;
    case jsonRpc:
        text = jsonRpcRequest(count);
        break;
    case restJson:
        text = restJsonBody(count);
        break;
    default:
        text = restXmlBody(count);
        break;
    }
    const TiXmlElement* declaration = centralWSDL().getInputElement("AddDNSRecords");
    for (auto _ : ioState) {
        TiXmlDocument document;
        std::string id;
        TiXmlElement* command = nullptr;
        if (dialect == xmlDialect_soap) {
            parseRequestXml(text, document);
            resolveMultiRefs(document);
            command = document.RootElement()->FirstChildElement("soap:Body")->FirstChildElement();
        } else if (dialect == xmlDialect_jsonRpc) {
            command = parseJsonRpcRequest(text, document, "", id);
        } else {
            command = parseRestRequest(text, dialect, document, "AddDNSRecords", id);
        }
        if (typed)
            conversion().convertRequest(centralWSDL(), declaration, *command, dialect);
        ztDynamicNetWriter body(text.size());
        writeNetFormXML(body, *command->Parent());
        benchmark::DoNotOptimize(body.count());
    }
    ioState.SetItemsProcessed(ioState.iterations() * count);
    ioState.SetBytesProcessed(ioState.iterations() * static_cast<int64_t>(text.size()));
}

void scaleArgs(benchmark::internal::Benchmark* ioBenchmark) {
    ioBenchmark->ArgNames({"dialect", "typed", "items"});
    const std::vector<std::pair<int64_t, int64_t>> rows = {
        {soap, 0}, {jsonRpc, 0}, {jsonRpc, 1}, {restJson, 0}, {restJson, 1}, {restXml, 0}};
    for (const auto& [dialect, typed] : rows)
        for (const int64_t count : {1000, 10000, 100000})
            ioBenchmark->Args({dialect, typed, count});
    ioBenchmark->Unit(benchmark::kMillisecond);
}

// ---- parsers side by side on the same 1 MB text

void BM_ParseJsonRpc(benchmark::State& ioState) {
    const std::string text = jsonRpcRequest(kMegabyteRecords);
    for (auto _ : ioState) {
        TiXmlDocument document;
        std::string id;
        benchmark::DoNotOptimize(parseJsonRpcRequest(text, document, "", id));
    }
    ioState.SetBytesProcessed(ioState.iterations() * static_cast<int64_t>(text.size()));
}

void BM_ParseJsonNlohmann(benchmark::State& ioState) {
    const std::string text = jsonRpcRequest(kMegabyteRecords);
    for (auto _ : ioState) {
        nlohmann::json tree = nlohmann::json::parse(text);
        benchmark::DoNotOptimize(tree.size());
    }
    ioState.SetBytesProcessed(ioState.iterations() * static_cast<int64_t>(text.size()));
}

void BM_ParseSoap(benchmark::State& ioState) {
    const std::string text = soapRequest(kMegabyteRecords);
    for (auto _ : ioState) {
        TiXmlDocument document;
        parseRequestXml(text, document);
        resolveMultiRefs(document);
        benchmark::DoNotOptimize(document.RootElement());
    }
    ioState.SetBytesProcessed(ioState.iterations() * static_cast<int64_t>(text.size()));
}

void BM_ParseXmlTinyXml(benchmark::State& ioState) {
    const std::string text = soapRequest(kMegabyteRecords);
    for (auto _ : ioState) {
        TiXmlDocument document;
        document.Parse(text.c_str(), nullptr, TIXML_ENCODING_LEGACY);
        benchmark::DoNotOptimize(document.RootElement());
    }
    ioState.SetBytesProcessed(ioState.iterations() * static_cast<int64_t>(text.size()));
}

// ---- a 10 MB answer as it arrives

constexpr int kBigAnswerRecords = 100000;

// The packets of the big answer as they come off the wire: object data cut at
// kMaxDataSize, each packet compressed (when that saves) and the stream encrypted.
struct Wire {
    std::vector<std::vector<uint8_t>> packets; // encrypted, each a whole packet payload
    std::vector<bool> compressed;
    size_t plainBytes = 0;
    size_t wireBytes = 0;
};

const std::array<uint8_t, 16> kKey = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
const std::array<uint8_t, 16> kIV = {16, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1};

const Wire& bigAnswerWire() {
    static const Wire theWire = [] {
        Wire wire;
        const std::vector<uint8_t>& form = answerNetForm(kBigAnswerRecords);
        wire.plainBytes = form.size();
        ztZlibCodec codec;
        ztCipherSet sender(kKey.data(), kKey.size(), kIV.data());
        for (size_t at = 0; at < form.size(); at += kMaxDataSize) {
            const size_t length = std::min<size_t>(kMaxDataSize, form.size() - at);
            std::vector<uint8_t> packet(form.begin() + static_cast<ptrdiff_t>(at),
                                        form.begin() + static_cast<ptrdiff_t>(at + length));
            const size_t packed = codec.compressInPlace(packet.data(), packet.size());
            wire.compressed.push_back(packed != 0);
            if (packed != 0)
                packet.resize(packed);
            sender.encrypt(packet.data(), packet.data(), packet.size());
            wire.wireBytes += packet.size();
            wire.packets.push_back(std::move(packet));
        }
        return wire;
    }();
    return theWire;
}

// Decrypts and inflates every packet into ioBody, as the endpoint and the packet layer do,
// and collects the object data as the request does. Returns the body's length.
size_t receive(const Wire& inWire, std::vector<uint8_t>& ioScratch, std::vector<uint8_t>& ioBody,
               bool inCollect) {
    ztZlibCodec codec;
    ztCipherSet receiver(kKey.data(), kKey.size(), kIV.data());
    ioBody.clear();
    std::vector<uint8_t> packet;
    size_t total = 0;
    for (size_t i = 0; i < inWire.packets.size(); ++i) {
        const std::vector<uint8_t>& sealed = inWire.packets[i];
        ioScratch.resize(sealed.size());
        receiver.decrypt(sealed.data(), ioScratch.data(), sealed.size());
        size_t length = sealed.size();
        const uint8_t* data = ioScratch.data();
        if (inWire.compressed[i]) {
            codec.inflate(ioScratch.data(), sealed.size(), 1 << 24, packet, 0, length);
            data = packet.data();
        }
        total += length;
        if (inCollect)
            ioBody.insert(ioBody.end(), data, data + length);
    }
    return total;
}

void BM_BigAnswerDecryptInflate(benchmark::State& ioState) {
    const Wire& wire = bigAnswerWire();
    std::vector<uint8_t> scratch;
    std::vector<uint8_t> body;
    for (auto _ : ioState)
        benchmark::DoNotOptimize(receive(wire, scratch, body, false));
    ioState.SetBytesProcessed(ioState.iterations() * static_cast<int64_t>(wire.plainBytes));
    ioState.counters["wire_bytes"] = static_cast<double>(wire.wireBytes);
    ioState.counters["plain_bytes"] = static_cast<double>(wire.plainBytes);
}

// Arg: dialect (SOAP untyped, JSON-RPC typed, as the gateway answers them).
void BM_BigAnswerThroughLibrary(benchmark::State& ioState) {
    const Wire& wire = bigAnswerWire();
    const xmlDialect dialect = dialectOf(ioState.range(0));
    std::vector<uint8_t> scratch;
    std::vector<uint8_t> body;
    size_t size = 0;
    for (auto _ : ioState) {
        receive(wire, scratch, body, true);
        size = renderFromNetForm(body, dialect, dialect != xmlDialect_soap);
    }
    ioState.SetBytesProcessed(ioState.iterations() * static_cast<int64_t>(wire.plainBytes));
    ioState.counters["answer_bytes"] = static_cast<double>(size);
}

} // namespace

BENCHMARK(BM_Answer)->Apply(scaleArgs);
BENCHMARK(BM_Request)->Apply(scaleArgs);
BENCHMARK(BM_ParseJsonRpc)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseJsonNlohmann)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseSoap)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseXmlTinyXml)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BigAnswerDecryptInflate)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BigAnswerThroughLibrary)
    ->ArgName("dialect")
    ->Arg(soap)
    ->Arg(jsonRpc)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
