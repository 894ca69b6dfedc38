#pragma once
// The packet layer's zlib-format codec (RFC 1950: deflate at level 6 with a 32 KiB window,
// Adler-32 trailer). Any zlib implementation inflates its streams and it inflates theirs;
// the library behind it (libdeflate, the fastest of the candidates measured on packet-sized
// payloads) stays inside the .cpp. One codec serves one thread at a time.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class ztZlibCodec {
public:
    enum class InflateResult {
        ok,
        corrupt,  // not a zlib stream, a bad checksum, or bytes behind the stream's end
        tooLarge, // would inflate to more than the caller's bound
    };

    ztZlibCodec();
    ztZlibCodec(ztZlibCodec&& ioOther) noexcept;
    ztZlibCodec& operator=(ztZlibCodec&& ioOther) noexcept;
    ~ztZlibCodec();

    // Compresses the inLength bytes at ioData and, only when the stream is shorter, copies
    // it over them. Returns the stream's length, or 0 when ioData is left as it was because
    // compressing would not save anything. Throws std::bad_alloc when memory is exhausted.
    size_t compressInPlace(uint8_t* ioData, size_t inLength);

    // Inflates the complete stream of inLength bytes at inStream into ioData from
    // inOffset on; outSize receives the inflated length. ioData only grows, and never
    // past inOffset + inMaxSize: a stream that would inflate to more is tooLarge. After a
    // failure ioData's bytes behind inOffset are undefined. Throws std::bad_alloc when
    // memory is exhausted.
    InflateResult inflate(const uint8_t* inStream, size_t inLength, size_t inMaxSize,
                          std::vector<uint8_t>& ioData, size_t inOffset, size_t& outSize);

private:
    struct Engine; // the library's compressor and decompressor, created on first use
    std::unique_ptr<Engine> itsEngine;
    Engine& engine();
};
