// ztZlibCodec over libdeflate's whole-buffer zlib functions.
#include "netobjects/ztZlibCodec.h"

#include "messages/ztInfoLog.h"

#include <libdeflate.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr int kCompressionLevel = 6;

// Room for the first inflate attempt. libdeflate needs the whole output buffer up front and
// starts over when it is too small, so the first guess should usually fit: 64 KiB holds
// any packet this protocol normally carries (30000 bytes of object data), bigger streams
// get four times their size. Each retry doubles the room, so the work stays within twice
// that of one pass at the final size.
constexpr size_t kFirstInflateRoom = 64 * 1024;

[[noreturn]] void throwBadAlloc() {
    ztLog(6, "throwing bad_alloc");
    throw std::bad_alloc();
}

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

} // namespace

struct ztZlibCodec::Engine {
    // The compressor holds several hundred KB of match-finder state, so it is only
    // created once a payload is large enough to be compressed.
    std::unique_ptr<libdeflate_compressor, FreeCompressor> itsCompressor;
    std::unique_ptr<libdeflate_decompressor, FreeDecompressor> itsDecompressor;
    std::vector<uint8_t> itsStream; // compressed output before it replaces the payload

    libdeflate_compressor* compressor() {
        if (!itsCompressor)
            itsCompressor.reset(libdeflate_alloc_compressor(kCompressionLevel));
        if (!itsCompressor)
            throwBadAlloc();
        return itsCompressor.get();
    }

    libdeflate_decompressor* decompressor() {
        if (!itsDecompressor)
            itsDecompressor.reset(libdeflate_alloc_decompressor());
        if (!itsDecompressor)
            throwBadAlloc();
        return itsDecompressor.get();
    }
};

ztZlibCodec::ztZlibCodec() = default;
ztZlibCodec::ztZlibCodec(ztZlibCodec&& ioOther) noexcept = default;
ztZlibCodec& ztZlibCodec::operator=(ztZlibCodec&& ioOther) noexcept = default;
ztZlibCodec::~ztZlibCodec() = default;

ztZlibCodec::Engine& ztZlibCodec::engine() {
    if (!itsEngine)
        itsEngine = std::make_unique<Engine>();
    return *itsEngine;
}

size_t ztZlibCodec::compressInPlace(uint8_t* ioData, size_t inLength) {
    if (inLength < 2)
        return 0;
    Engine& state = engine();
    // Room for one byte less than the input: libdeflate gives up (returns 0) as soon as
    // the stream cannot be shorter, which is the only case in which it is not wanted.
    state.itsStream.resize(inLength - 1);
    const size_t length = libdeflate_zlib_compress(state.compressor(), ioData, inLength,
                                                   state.itsStream.data(), inLength - 1);
    if (length == 0)
        return 0;
    std::memcpy(ioData, state.itsStream.data(), length);
    return length;
}

ztZlibCodec::InflateResult ztZlibCodec::inflate(const uint8_t* inStream, size_t inLength,
                                                size_t inMaxSize, std::vector<uint8_t>& ioData,
                                                size_t inOffset, size_t& outSize) {
    outSize = 0;
    libdeflate_decompressor* decompressor = engine().decompressor();
    const size_t present = ioData.size() > inOffset ? ioData.size() - inOffset : 0;
    size_t room = std::min(std::max({present, kFirstInflateRoom, inLength * 4}), inMaxSize);
    for (;;) {
        if (ioData.size() < inOffset + room)
            ioData.resize(inOffset + room);
        size_t consumed = 0;
        size_t produced = 0;
        const libdeflate_result result = libdeflate_zlib_decompress_ex(
            decompressor, inStream, inLength, ioData.data() + inOffset, room, &consumed, &produced);
        if (result == LIBDEFLATE_SUCCESS) {
            // A packet holds exactly one stream; anything behind it was not framed by a peer
            // of this protocol.
            if (consumed != inLength)
                return InflateResult::corrupt;
            outSize = produced;
            return InflateResult::ok;
        }
        if (result != LIBDEFLATE_INSUFFICIENT_SPACE)
            return InflateResult::corrupt;
        if (room >= inMaxSize)
            return InflateResult::tooLarge;
        room = std::min(room * 2, inMaxSize);
    }
}
