// Growth of the body writer: lazy allocation, doubling, and bytes kept across moves.
#include "netobjects/ztDynamicNetWriter.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <new>
#include <vector>

namespace {

std::vector<uint8_t> pattern(size_t inLength) {
    std::vector<uint8_t> bytes(inLength);
    for (size_t i = 0; i < inLength; ++i)
        bytes[i] = static_cast<uint8_t>(i * 7 + 3);
    return bytes;
}

bool holds(const ztNetWriter& inWriter, const std::vector<uint8_t>& inBytes) {
    return inWriter.count() == inBytes.size() &&
           std::equal(inBytes.begin(), inBytes.end(), inWriter.data());
}

TEST(ztDynamicNetWriter, growsByDoublingFromTheInitialSize) {
    struct Row {
        const char* name;
        size_t initialSize;
        std::vector<size_t> writes;
        size_t expectedCapacity;
    };
    const Row rows[] = {
        {"nothing written allocates nothing", 10240, {}, 0},
        {"first byte allocates the initial size", 10240, {1}, 10240},
        {"exactly the initial size", 10240, {10240}, 10240},
        {"one byte past the initial size", 10240, {10240, 1}, 20480},
        {"30000 bytes from 10240", 10240, {30000}, 40960},
        {"30000 bytes in pieces", 10240, {10000, 10000, 10000}, 40960},
        {"zero initial size still grows", 0, {5}, 8},
        {"zero-length write allocates nothing", 16, {0}, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ztDynamicNetWriter writer(row.initialSize);
        std::vector<uint8_t> expected;
        for (size_t length : row.writes) {
            const std::vector<uint8_t> piece = pattern(length);
            writer.putData(piece.data(), piece.size());
            expected.insert(expected.end(), piece.begin(), piece.end());
        }
        EXPECT_EQ(writer.capacity(), row.expectedCapacity);
        EXPECT_TRUE(holds(writer, expected));
        EXPECT_TRUE(writer.good());
    }
}

TEST(ztDynamicNetWriter, leavesTheCallersBufferWhenItIsTooSmall) {
    std::array<uint8_t, 4> callerBuffer{};
    ztDynamicNetWriter writer(callerBuffer.data(), callerBuffer.size(), 64);
    writer.putUInt32(0x01020304);
    EXPECT_FALSE(writer.ownsBuffer());
    EXPECT_EQ(writer.data(), callerBuffer.data());

    writer.putUInt16(0x0506);
    EXPECT_TRUE(writer.ownsBuffer());
    EXPECT_EQ(writer.capacity(), 8u); // doubled from the caller's capacity
    EXPECT_TRUE(holds(writer, {1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(callerBuffer, (std::array<uint8_t, 4>{1, 2, 3, 4}));
}

TEST(ztDynamicNetWriter, resetAndMoveKeepTheBuffer) {
    ztDynamicNetWriter writer(8);
    writer.putString("0123456789");
    const size_t capacity = writer.capacity();
    writer.reset();
    EXPECT_EQ(writer.count(), 0u);
    EXPECT_EQ(writer.capacity(), capacity);

    writer.putUInt16(0xBEEF);
    ztDynamicNetWriter moved(std::move(writer));
    EXPECT_TRUE(holds(moved, {0xBE, 0xEF}));
    moved.putUInt8(1); // the moved-to writer owns the buffer it writes into
    EXPECT_TRUE(holds(moved, {0xBE, 0xEF, 0x01}));

    ztDynamicNetWriter other(4);
    other = std::move(moved);
    EXPECT_TRUE(holds(other, {0xBE, 0xEF, 0x01}));
    EXPECT_TRUE(other.ownsBuffer());
}

TEST(ztDynamicNetWriter, failedGrowthThrowsBadAllocAndKeepsTheBytes) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers abort on impossible allocations instead of failing them";
#else
    ztDynamicNetWriter writer(16);
    writer.putUInt16(0x0102);
    const uint8_t byte = 0;
    EXPECT_THROW(writer.putData(&byte, SIZE_MAX - 1), std::bad_alloc);
    EXPECT_FALSE(writer.good());
    EXPECT_TRUE(holds(writer, {0x01, 0x02}));
#endif
}

} // namespace
