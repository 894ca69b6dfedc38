// Compares the three zlib-format codecs available on the build host for the packet layer:
// Crypto++ (ZlibCompressor/ZlibDecompressor), zlib and libdeflate. Each compresses at
// level 6 with a 2^15 window and inflates with the Adler-32 check, on 30 KB payloads (the
// handler's largest packet) that compress well and that do not compress at all.
#include <benchmark/benchmark.h>
#include <crypto++/filters.h>
#include <crypto++/zlib.h>
#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

constexpr size_t kPayloadSize = 30000;
constexpr int kLevel = 6;
constexpr int kWindowBits = 15;

// Records the way the XML net form looks: element names and short values repeat, numbers
// and addresses vary.
Bytes compressiblePayload() {
    Bytes payload;
    payload.reserve(kPayloadSize);
    for (unsigned i = 0; payload.size() < kPayloadSize; ++i) {
        const std::string record = "<item><name>host" + std::to_string(i * 7919 % 10007) +
                                   ".example.net</name><address>10." + std::to_string(i % 256) +
                                   "." + std::to_string(i * 31 % 256) +
                                   ".1</address><ttl>3600</ttl></item>";
        payload.insert(payload.end(), record.begin(), record.end());
    }
    payload.resize(kPayloadSize);
    return payload;
}

Bytes randomPayload() {
    std::mt19937 generator(20240601);
    Bytes payload(kPayloadSize);
    for (uint8_t& byte : payload)
        byte = static_cast<uint8_t>(generator());
    return payload;
}

// Room for the inflated data on the first try: 64 KiB holds any packet of the handler
// (30000 bytes of data), larger streams get four times their size.
size_t firstGuess(size_t inStreamSize) {
    return std::max<size_t>(64 * 1024, inStreamSize * 4);
}

// --- Crypto++: a filter chain per call, as its API is meant to be used.

Bytes cryptoppCompress(const Bytes& inData) {
    Bytes stream;
    CryptoPP::ZlibCompressor compressor(new CryptoPP::VectorSink(stream), kLevel, kWindowBits,
                                        true);
    compressor.Put(inData.data(), inData.size());
    compressor.MessageEnd();
    return stream;
}

Bytes cryptoppInflate(const Bytes& inStream) {
    Bytes data;
    CryptoPP::ZlibDecompressor decompressor(new CryptoPP::VectorSink(data));
    decompressor.Put(inStream.data(), inStream.size());
    decompressor.MessageEnd();
    return data;
}

// --- zlib: one deflate and one inflate stream, reset between calls.

class ZlibCodec {
public:
    ZlibCodec() {
        if (deflateInit2(&itsDeflate, kLevel, Z_DEFLATED, kWindowBits, 8, Z_DEFAULT_STRATEGY) !=
                Z_OK ||
            inflateInit2(&itsInflate, kWindowBits) != Z_OK)
            throw std::runtime_error("zlib init");
    }
    ZlibCodec(const ZlibCodec&) = delete;
    ZlibCodec& operator=(const ZlibCodec&) = delete;
    ~ZlibCodec() {
        deflateEnd(&itsDeflate);
        inflateEnd(&itsInflate);
    }

    Bytes compress(const Bytes& inData) {
        deflateReset(&itsDeflate);
        Bytes stream(deflateBound(&itsDeflate, inData.size()));
        itsDeflate.next_in = const_cast<Bytef*>(inData.data());
        itsDeflate.avail_in = static_cast<uInt>(inData.size());
        itsDeflate.next_out = stream.data();
        itsDeflate.avail_out = static_cast<uInt>(stream.size());
        if (deflate(&itsDeflate, Z_FINISH) != Z_STREAM_END)
            throw std::runtime_error("deflate");
        stream.resize(itsDeflate.total_out);
        return stream;
    }

    // The inflated size is not known in advance: the output grows until the stream ends.
    Bytes inflate(const Bytes& inStream) {
        inflateReset(&itsInflate);
        Bytes data(firstGuess(inStream.size()));
        itsInflate.next_in = const_cast<Bytef*>(inStream.data());
        itsInflate.avail_in = static_cast<uInt>(inStream.size());
        for (;;) {
            itsInflate.next_out = data.data() + itsInflate.total_out;
            itsInflate.avail_out = static_cast<uInt>(data.size() - itsInflate.total_out);
            const int result = ::inflate(&itsInflate, Z_FINISH);
            if (result == Z_STREAM_END)
                break;
            if (result != Z_BUF_ERROR && result != Z_OK)
                throw std::runtime_error("inflate");
            data.resize(data.size() * 2);
        }
        data.resize(itsInflate.total_out);
        return data;
    }

private:
    z_stream itsDeflate{};
    z_stream itsInflate{};
};

// --- libdeflate: whole-buffer calls on a compressor and a decompressor kept for reuse.

class LibdeflateCodec {
public:
    LibdeflateCodec()
        : itsCompressor(libdeflate_alloc_compressor(kLevel)),
          itsDecompressor(libdeflate_alloc_decompressor()) {
        if (!itsCompressor || !itsDecompressor)
            throw std::runtime_error("libdeflate alloc");
    }

    Bytes compress(const Bytes& inData) {
        Bytes stream(libdeflate_zlib_compress_bound(itsCompressor.get(), inData.size()));
        stream.resize(libdeflate_zlib_compress(itsCompressor.get(), inData.data(), inData.size(),
                                               stream.data(), stream.size()));
        return stream;
    }

    // The same growth as for zlib, but each try starts over: retry with twice the room
    // while the data does not fit.
    Bytes inflate(const Bytes& inStream) {
        Bytes data(firstGuess(inStream.size()));
        for (;;) {
            size_t produced = 0;
            const libdeflate_result result =
                libdeflate_zlib_decompress(itsDecompressor.get(), inStream.data(), inStream.size(),
                                           data.data(), data.size(), &produced);
            if (result == LIBDEFLATE_SUCCESS) {
                data.resize(produced);
                return data;
            }
            if (result != LIBDEFLATE_INSUFFICIENT_SPACE)
                throw std::runtime_error("libdeflate inflate");
            data.resize(data.size() * 2);
        }
    }

private:
    struct FreeCompressor {
        void operator()(libdeflate_compressor* inCompressor) const {
            libdeflate_free_compressor(inCompressor);
        }
    };
    struct FreeDecompressor {
        void operator()(libdeflate_decompressor* inDecompressor) const {
            libdeflate_free_decompressor(inDecompressor);
        }
    };
    std::unique_ptr<libdeflate_compressor, FreeCompressor> itsCompressor;
    std::unique_ptr<libdeflate_decompressor, FreeDecompressor> itsDecompressor;
};

const Bytes& payloadOf(int64_t inKind) {
    static const Bytes compressible = compressiblePayload();
    static const Bytes random = randomPayload();
    return inKind == 0 ? compressible : random;
}

void setLabel(benchmark::State& ioState, size_t inStreamSize) {
    ioState.SetLabel((ioState.range(0) == 0 ? "compressible, stream " : "random, stream ") +
                     std::to_string(inStreamSize));
    ioState.SetBytesProcessed(static_cast<int64_t>(ioState.iterations() * kPayloadSize));
}

// Each codec's stream must inflate with the other two: the peer may use any of them.
void checkInterchangeable(const Bytes& inData) {
    ZlibCodec zlibCodec;
    LibdeflateCodec libdeflateCodec;
    const Bytes streams[] = {cryptoppCompress(inData), zlibCodec.compress(inData),
                             libdeflateCodec.compress(inData)};
    for (const Bytes& stream : streams) {
        if (cryptoppInflate(stream) != inData || zlibCodec.inflate(stream) != inData ||
            libdeflateCodec.inflate(stream) != inData)
            throw std::runtime_error("codecs disagree");
    }
}

void BM_CryptoppCompress(benchmark::State& ioState) {
    const Bytes& payload = payloadOf(ioState.range(0));
    size_t streamSize = 0;
    for (auto _ : ioState) {
        Bytes stream = cryptoppCompress(payload);
        streamSize = stream.size();
        benchmark::DoNotOptimize(stream.data());
    }
    setLabel(ioState, streamSize);
}

void BM_CryptoppInflate(benchmark::State& ioState) {
    const Bytes& payload = payloadOf(ioState.range(0));
    const Bytes stream = cryptoppCompress(payload);
    for (auto _ : ioState) {
        Bytes data = cryptoppInflate(stream);
        benchmark::DoNotOptimize(data.data());
    }
    setLabel(ioState, stream.size());
}

void BM_ZlibCompress(benchmark::State& ioState) {
    const Bytes& payload = payloadOf(ioState.range(0));
    ZlibCodec codec;
    size_t streamSize = 0;
    for (auto _ : ioState) {
        Bytes stream = codec.compress(payload);
        streamSize = stream.size();
        benchmark::DoNotOptimize(stream.data());
    }
    setLabel(ioState, streamSize);
}

void BM_ZlibInflate(benchmark::State& ioState) {
    const Bytes& payload = payloadOf(ioState.range(0));
    ZlibCodec codec;
    const Bytes stream = codec.compress(payload);
    for (auto _ : ioState) {
        Bytes data = codec.inflate(stream);
        benchmark::DoNotOptimize(data.data());
    }
    setLabel(ioState, stream.size());
}

void BM_LibdeflateCompress(benchmark::State& ioState) {
    const Bytes& payload = payloadOf(ioState.range(0));
    LibdeflateCodec codec;
    size_t streamSize = 0;
    for (auto _ : ioState) {
        Bytes stream = codec.compress(payload);
        streamSize = stream.size();
        benchmark::DoNotOptimize(stream.data());
    }
    setLabel(ioState, streamSize);
}

void BM_LibdeflateInflate(benchmark::State& ioState) {
    const Bytes& payload = payloadOf(ioState.range(0));
    LibdeflateCodec codec;
    const Bytes stream = codec.compress(payload);
    for (auto _ : ioState) {
        Bytes data = codec.inflate(stream);
        benchmark::DoNotOptimize(data.data());
    }
    setLabel(ioState, stream.size());
}

// Argument 0: compressible payload; 1: random payload.
BENCHMARK(BM_CryptoppCompress)->Arg(0)->Arg(1);
BENCHMARK(BM_ZlibCompress)->Arg(0)->Arg(1);
BENCHMARK(BM_LibdeflateCompress)->Arg(0)->Arg(1);
BENCHMARK(BM_CryptoppInflate)->Arg(0)->Arg(1);
BENCHMARK(BM_ZlibInflate)->Arg(0)->Arg(1);
BENCHMARK(BM_LibdeflateInflate)->Arg(0)->Arg(1);

} // namespace

int main(int argc, char** argv) {
    checkInterchangeable(payloadOf(0));
    checkInterchangeable(payloadOf(1));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
