// Owned byte blocks: zero-filling, growing with the contents kept, ownership transfer and
// the two ways an exhausted allocation is reported.
#include "util/ztAlloc.h"

#include "messages/ztInfoLog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <new>
#include <numeric>

namespace {

class ztAllocTest : public ::testing::Test {
protected:
    void TearDown() override { ztAlloc::failNextAllocations(0); }
};

bool allZero(const uint8_t* inBytes, uint32_t inCount) {
    return std::all_of(inBytes, inBytes + inCount, [](uint8_t inByte) { return inByte == 0; });
}

// A block of inSize bytes holding 1, 2, 3, ...
ztAlloc numbered(uint32_t inSize) {
    ztAlloc block(inSize);
    std::iota(block.getData(), block.getData() + inSize, uint8_t{1});
    return block;
}

bool isNumbered(const ztAlloc& inBlock, uint32_t inCount) {
    for (uint32_t i = 0; i < inCount; ++i) {
        if (inBlock.getData()[i] != static_cast<uint8_t>(i + 1))
            return false;
    }
    return true;
}

TEST_F(ztAllocTest, newBlockIsZeroFilled) {
    const ztAlloc block(100);
    ASSERT_NE(nullptr, block.getData());
    EXPECT_EQ(100u, block.getSize());
    EXPECT_TRUE(allZero(block.getData(), 100));
}

TEST_F(ztAllocTest, growingKeepsTheContents) {
    ztAlloc block = numbered(100);
    ASSERT_TRUE(block.resize(101));
    EXPECT_EQ(101u, block.getSize());
    EXPECT_TRUE(isNumbered(block, 100));
    EXPECT_EQ(0, block.getData()[100]);

    ztAlloc empty;
    ASSERT_TRUE(empty.resize(8));
    EXPECT_EQ(8u, empty.getSize());
    EXPECT_TRUE(allZero(empty.getData(), 8));
}

TEST_F(ztAllocTest, shrinkingOrEqualSizeKeepsTheBlock) {
    ztAlloc block = numbered(64);
    const uint8_t* data = block.getData();
    EXPECT_TRUE(block.resize(64));
    EXPECT_TRUE(block.resize(1));
    EXPECT_EQ(data, block.getData());
    EXPECT_EQ(64u, block.getSize());
    EXPECT_TRUE(isNumbered(block, 64));
}

TEST_F(ztAllocTest, reallocatingAndFreeing) {
    ztAlloc block = numbered(16);
    ASSERT_TRUE(block.allocate(32));
    EXPECT_EQ(32u, block.getSize());
    EXPECT_TRUE(allZero(block.getData(), 32));
    block.free();
    EXPECT_EQ(nullptr, block.getData());
    EXPECT_EQ(0u, block.getSize());
    EXPECT_TRUE(block.allocate(0));
    EXPECT_EQ(nullptr, block.getData());
}

TEST_F(ztAllocTest, moveTransfersOwnership) {
    ztAlloc source = numbered(10);
    const uint8_t* data = source.getData();
    ztAlloc target(std::move(source));
    EXPECT_EQ(data, target.getData());
    EXPECT_EQ(10u, target.getSize());
    EXPECT_EQ(nullptr, source.getData());
    EXPECT_EQ(0u, source.getSize());

    ztAlloc other(4);
    other = std::move(target);
    EXPECT_EQ(data, other.getData());
    EXPECT_EQ(0u, target.getSize());
}

TEST_F(ztAllocTest, exhaustedMemoryWithoutThrowLeavesNoSizeBehind) {
    ztAlloc::failNextAllocations(1);
    ztAlloc block(64, false);
    EXPECT_EQ(nullptr, block.getData());
    EXPECT_EQ(0u, block.getSize());

    ztAlloc::failNextAllocations(1);
    EXPECT_FALSE(block.allocate(64, false));
    EXPECT_EQ(0u, block.getSize());
}

TEST_F(ztAllocTest, exhaustedMemoryThrowsAfterTheLogLine) {
    const ztLogConfig saved = ztLogGetConfig();
    ztLogConfig verbose = saved;
    verbose.threshold = 6;
    ztLogSetConfig(verbose);
    ztAlloc::failNextAllocations(1);
    ::testing::internal::CaptureStderr();
    EXPECT_THROW(ztAlloc(64, true), std::bad_alloc);
    const std::string output = ::testing::internal::GetCapturedStderr();
    ztLogSetConfig(saved);
    EXPECT_NE(std::string::npos, output.find("throwing bad_alloc")) << output;
}

TEST_F(ztAllocTest, failedGrowthKeepsTheOldBlock) {
    ztAlloc block = numbered(32);
    const uint8_t* data = block.getData();

    ztAlloc::failNextAllocations(1);
    EXPECT_FALSE(block.resize(64, false));
    ztAlloc::failNextAllocations(1);
    EXPECT_THROW(block.resize(64, true), std::bad_alloc);

    EXPECT_EQ(data, block.getData());
    EXPECT_EQ(32u, block.getSize());
    EXPECT_TRUE(isNumbered(block, 32));
}

} // namespace
