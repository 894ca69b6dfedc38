// Decoding of the wire primitives and the reader's refusal to go past the end.
#include "netobjects/ztNetReader.h"

#include "messages/ztErrorMessage.h"
#include "netobjects/ztDynamicNetWriter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <stdexcept>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

TEST(ztNetReader, decodesBigEndianPrimitives) {
    const Bytes bytes = {0xAB, 0x02, 0x00, 0x12, 0x34, 0x89, 0xAB, 0xCD,
                         0xEF, 'h',  'i',  0x00, 0x00, 0x55, 0x66, 0x77};
    ztNetReader reader(bytes.data(), bytes.size());
    EXPECT_EQ(reader.getUInt8(), 0xAB);
    EXPECT_TRUE(reader.getBool()); // any byte other than 0
    EXPECT_FALSE(reader.getBool());
    EXPECT_EQ(reader.getUInt16(), 0x1234);
    EXPECT_EQ(reader.getUInt32(), 0x89ABCDEFu);
    EXPECT_STREQ(reader.getConstString(), "hi");
    EXPECT_STREQ(reader.getConstString(), "");
    reader.getData(nullptr, 1); // skips
    uint8_t raw[2] = {};
    reader.getData(raw, 2);
    EXPECT_EQ(raw[0], 0x66);
    EXPECT_EQ(raw[1], 0x77);
    EXPECT_TRUE(reader.good());
    EXPECT_EQ(reader.count(), reader.size());
}

TEST(ztNetReader, readsPastTheEndThrowWithoutConsuming) {
    struct Row {
        const char* name;
        Bytes bytes;
        std::function<void(ztNetReader&)> read;
        const char* expectedText;
    };
    const Row rows[] = {
        {"uint8 of nothing", {}, [](ztNetReader& r) { r.getUInt8(); }, "ztNetReader::getData"},
        {"uint16 one byte short",
         {0x01},
         [](ztNetReader& r) { r.getUInt16(); },
         "ztNetReader::getData"},
        {"uint32 one byte short",
         {1, 2, 3},
         [](ztNetReader& r) { r.getUInt32(); },
         "ztNetReader::getData"},
        {"skip past the end",
         {1, 2},
         [](ztNetReader& r) { r.getData(nullptr, 3); },
         "ztNetReader::getData"},
        {"length that wraps the cursor",
         {1, 2},
         [](ztNetReader& r) { r.getData(nullptr, SIZE_MAX); },
         "ztNetReader::getData"},
        {"string without NUL",
         {'a', 'b'},
         [](ztNetReader& r) { r.getConstString(); },
         "ztNetReader::getConstString"},
        {"string of nothing",
         {},
         [](ztNetReader& r) { r.getConstString(); },
         "ztNetReader::getConstString"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ztNetReader reader(row.bytes.data(), row.bytes.size());
        try {
            row.read(reader);
            ADD_FAILURE() << "no exception";
        } catch (const std::out_of_range& ex) {
            EXPECT_STREQ(ex.what(), row.expectedText);
        }
        EXPECT_FALSE(reader.good());
        EXPECT_EQ(reader.count(), 0u);
    }
}

TEST(ztNetReader, lastStringWithoutNulFailsAfterEarlierOnes) {
    const Bytes bytes = {'o', 'k', 0x00, 'c', 'u', 't'};
    ztNetReader reader(bytes.data(), bytes.size());
    EXPECT_STREQ(reader.getConstString(), "ok");
    EXPECT_THROW(reader.getConstString(), std::out_of_range);
    EXPECT_FALSE(reader.good());
    EXPECT_EQ(reader.count(), 3u);
}

class ztNetReaderErrorMessage : public ::testing::Test {
protected:
    ztErrorMessage read(const Bytes& inBytes) {
        ztNetReader reader(inBytes.data(), inBytes.size());
        ztErrorMessage message(ztErr_internal, "previous $a");
        message.addParam('a', "kept");
        reader.getErrorMessage(message);
        EXPECT_EQ(reader.count(), reader.size());
        return message;
    }
};

TEST_F(ztNetReaderErrorMessage, valueReplacedTemplateOnlyWhenMarked) {
    // Value 0x0203, marker 0 (no template), one parameter b = "x".
    const ztErrorMessage message = read({0, 0, 0x02, 0x03, 0, 0, 0, 0, 0, 0, 0, 1, 'b', 'x', 0});
    EXPECT_EQ(message.getErrorValue(), ztErr_connectFailed);
    EXPECT_EQ(message.getTemplate(), "previous $a");
    EXPECT_EQ(message.getParam('a'), "kept");
    EXPECT_EQ(message.getParam('b'), "x");
}

TEST_F(ztNetReaderErrorMessage, valueBeyondSixteenBitsIsNotSuccess) {
    // 0x00010000 would truncate to ztErr_noError.
    const ztErrorMessage message = read({0, 1, 0, 0, 0, 0, 0xFF, 0xFF, 'T', 0, 0, 0, 0, 0});
    EXPECT_EQ(message.getErrorValue(), ztErr_unknown);
    EXPECT_EQ(message.getTemplate(), "T");
}

TEST(ztNetReader, forgedParameterCountEndsAtTheBuffer) {
    const Bytes bytes = {0, 0, 0, 1, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 'a', 'v', 0};
    ztNetReader reader(bytes.data(), bytes.size());
    ztErrorMessage message;
    EXPECT_THROW(reader.getErrorMessage(message), std::out_of_range);
    EXPECT_FALSE(reader.good());
}

TEST(ztNetReader, roundTripThroughTheWriter) {
    ztDynamicNetWriter writer(4);
    writer.putUInt8(0xFE);
    writer.putBool(true);
    writer.putUInt16(0xFFFE);
    writer.putUInt32(0x80000001);
    writer.putString("caf\xC3\xA9");
    writer.putString(std::string());
    ztNetReader reader(writer.data(), writer.count());
    EXPECT_EQ(reader.getUInt8(), 0xFE);
    EXPECT_TRUE(reader.getBool());
    EXPECT_EQ(reader.getUInt16(), 0xFFFE);
    EXPECT_EQ(reader.getUInt32(), 0x80000001u);
    EXPECT_STREQ(reader.getConstString(), "caf\xC3\xA9");
    EXPECT_STREQ(reader.getConstString(), "");
    EXPECT_EQ(reader.count(), reader.size());
}

} // namespace
