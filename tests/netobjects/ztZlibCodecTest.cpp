// The codec on its own: streams another zlib inflates, the exact inflate bound, and
// leaving data alone that would not shrink.
#include "netobjects/ztZlibCodec.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes text(size_t inLength) {
    Bytes bytes;
    while (bytes.size() < inLength) {
        const std::string word = "record " + std::to_string(bytes.size() % 97) + "; ";
        bytes.insert(bytes.end(), word.begin(), word.end());
    }
    bytes.resize(inLength);
    return bytes;
}

TEST(ztZlibCodec, compressesInPlaceIntoAStreamZlibInflates) {
    const Bytes original = text(5000);
    Bytes data = original;
    ztZlibCodec codec;
    const size_t length = codec.compressInPlace(data.data(), data.size());
    ASSERT_GT(length, 0u);
    ASSERT_LT(length, original.size());

    Bytes inflated(original.size());
    uLongf inflatedLength = static_cast<uLongf>(inflated.size());
    ASSERT_EQ(uncompress(inflated.data(), &inflatedLength, data.data(), static_cast<uLong>(length)),
              Z_OK);
    EXPECT_EQ(inflated, original);
}

TEST(ztZlibCodec, leavesDataThatWouldNotShrink) {
    for (const Bytes& original : {Bytes{}, Bytes{'a'}, Bytes{0x31, 0xF7, 0x02, 0x9C}}) {
        SCOPED_TRACE(original.size());
        Bytes data = original;
        ztZlibCodec codec;
        EXPECT_EQ(codec.compressInPlace(data.data(), data.size()), 0u);
        EXPECT_EQ(data, original);
    }
}

TEST(ztZlibCodec, inflatesUpToExactlyTheBound) {
    const Bytes original = text(100000);
    Bytes stream(compressBound(static_cast<uLong>(original.size())));
    uLongf streamLength = static_cast<uLongf>(stream.size());
    ASSERT_EQ(compress2(stream.data(), &streamLength, original.data(),
                        static_cast<uLong>(original.size()), 6),
              Z_OK);

    const struct {
        const char* name;
        size_t bound;
        ztZlibCodec::InflateResult result;
    } rows[] = {
        {"bound far above", 1 << 24, ztZlibCodec::InflateResult::ok},
        {"exactly the size", original.size(), ztZlibCodec::InflateResult::ok},
        {"one byte short", original.size() - 1, ztZlibCodec::InflateResult::tooLarge},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ztZlibCodec codec;
        Bytes data(3, 0xEE);
        size_t size = 0;
        EXPECT_EQ(codec.inflate(stream.data(), streamLength, row.bound, data, 3, size), row.result);
        EXPECT_LE(data.size(), 3 + row.bound);
        EXPECT_EQ(Bytes(data.begin(), data.begin() + 3), Bytes(3, 0xEE)); // before the offset
        if (row.result != ztZlibCodec::InflateResult::ok)
            continue;
        EXPECT_EQ(size, original.size());
        EXPECT_EQ(Bytes(data.begin() + 3, data.begin() + 3 + static_cast<long>(size)), original);
    }
}

} // namespace
