// Throughput of the connection cipher alone: AES-128 in CFB mode with full-block feedback,
// encrypting and decrypting 64 KiB blocks in place, as the secure endpoint does with every
// buffer it sends or receives.
#include "cryptor/ztCipherSet.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <vector>

namespace {

constexpr size_t kBlockSize = 64 * 1024;
constexpr std::array<uint8_t, 16> kKey = {0x2B, 0x7E, 0x15, 0x16, 0x28, 0xAE, 0xD2, 0xA6,
                                          0xAB, 0xF7, 0x15, 0x88, 0x09, 0xCF, 0x4F, 0x3C};
constexpr std::array<uint8_t, 16> kIV = {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07,
                                         0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F};

std::vector<uint8_t> block() {
    std::vector<uint8_t> bytes(kBlockSize);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i * 31 + 7);
    return bytes;
}

void BM_cfbEncrypt64K(benchmark::State& ioState) {
    ztCipherSet cipher(kKey.data(), kKey.size(), kIV.data());
    std::vector<uint8_t> data = block();
    for (auto _ : ioState) {
        cipher.encrypt(data.data(), data.data(), data.size());
        benchmark::DoNotOptimize(data.data());
        benchmark::ClobberMemory();
    }
    ioState.SetBytesProcessed(static_cast<int64_t>(ioState.iterations()) * kBlockSize);
}
BENCHMARK(BM_cfbEncrypt64K);

void BM_cfbDecrypt64K(benchmark::State& ioState) {
    ztCipherSet cipher(kKey.data(), kKey.size(), kIV.data());
    std::vector<uint8_t> data = block();
    for (auto _ : ioState) {
        cipher.decrypt(data.data(), data.data(), data.size());
        benchmark::DoNotOptimize(data.data());
        benchmark::ClobberMemory();
    }
    ioState.SetBytesProcessed(static_cast<int64_t>(ioState.iterations()) * kBlockSize);
}
BENCHMARK(BM_cfbDecrypt64K);

} // namespace

BENCHMARK_MAIN();
