// Byte layout of the wire primitives and the serialized error message, and the limits of a
// fixed buffer.
#include "netobjects/ztNetWriter.h"

#include "messages/ztErrorMessage.h"
#include "messages/ztMessageTexts.h"
#include "netobjects/ztNetReader.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes written(const ztNetWriter& inWriter) {
    return Bytes(inWriter.data(), inWriter.data() + inWriter.count());
}

// The template and its NUL as they appear on the wire.
Bytes stringBytes(const std::string& inText) {
    Bytes bytes(inText.begin(), inText.end());
    bytes.push_back(0);
    return bytes;
}

Bytes concat(std::initializer_list<Bytes> inParts) {
    Bytes all;
    for (const Bytes& part : inParts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

TEST(ztNetWriter, primitivesAreBigEndianWithoutPadding) {
    struct Row {
        const char* name;
        std::function<void(ztNetWriter&)> write;
        Bytes expected;
    };
    const Row rows[] = {
        {"uint8", [](ztNetWriter& w) { w.putUInt8(0xAB); }, {0xAB}},
        {"bool true", [](ztNetWriter& w) { w.putBool(true); }, {0x01}},
        {"bool false", [](ztNetWriter& w) { w.putBool(false); }, {0x00}},
        {"uint16", [](ztNetWriter& w) { w.putUInt16(0x1234); }, {0x12, 0x34}},
        {"uint32", [](ztNetWriter& w) { w.putUInt32(0x12345678); }, {0x12, 0x34, 0x56, 0x78}},
        {"string", [](ztNetWriter& w) { w.putString("abc"); }, {'a', 'b', 'c', 0x00}},
        {"empty C string", [](ztNetWriter& w) { w.putString(""); }, {0x00}},
        {"empty string object", [](ztNetWriter& w) { w.putString(std::string()); }, {0x00}},
        {"null C string", [](ztNetWriter& w) { w.putString(nullptr); }, {0x00}},
        {"embedded NUL cuts the string",
         [](ztNetWriter& w) { w.putString(std::string("ab\0cd", 5)); },
         {'a', 'b', 0x00}},
        {"raw data", [](ztNetWriter& w) { w.putData("\x01\x00\xFF", 3); }, {0x01, 0x00, 0xFF}},
        {"sequence without padding",
         [](ztNetWriter& w) {
             w.putUInt8(1);
             w.putUInt32(2);
             w.putUInt16(3);
         },
         {0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x03}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::array<uint8_t, 16> buffer{};
        ztNetWriter writer(buffer.data(), buffer.size());
        row.write(writer);
        EXPECT_EQ(written(writer), row.expected);
        EXPECT_TRUE(writer.good());
    }
}

TEST(ztNetWriter, fixedBufferRefusesToOverflow) {
    std::array<uint8_t, 4> buffer{};
    ztNetWriter writer(buffer.data(), buffer.size());
    writer.putUInt16(0x0102);
    try {
        writer.putUInt32(0x03040506);
        FAIL() << "no exception";
    } catch (const std::out_of_range& ex) {
        EXPECT_STREQ(ex.what(), "ztNetWriter::resizeIfNeeded");
    }
    EXPECT_FALSE(writer.good());
    EXPECT_EQ(written(writer), (Bytes{0x01, 0x02}));

    writer.reset();
    EXPECT_TRUE(writer.good());
    EXPECT_EQ(writer.count(), 0u);
    writer.putUInt32(0x03040506); // exactly the capacity
    writer.putData(nullptr, 0);   // a zero length still fits a full buffer
    EXPECT_TRUE(writer.good());
    EXPECT_THROW(writer.putUInt8(7), std::out_of_range);
    EXPECT_EQ(written(writer), (Bytes{0x03, 0x04, 0x05, 0x06}));
}

TEST(ztNetWriter, assignCopiesBytesAndGoodFlag) {
    std::array<uint8_t, 8> sourceBuffer{};
    ztNetWriter source(sourceBuffer.data(), sourceBuffer.size());
    source.putUInt32(0xCAFEBABE);

    std::array<uint8_t, 8> targetBuffer{};
    ztNetWriter target(targetBuffer.data(), targetBuffer.size());
    target.putString("old");
    target.assign(source);
    EXPECT_EQ(written(target), (Bytes{0xCA, 0xFE, 0xBA, 0xBE}));
    EXPECT_TRUE(target.good());

    std::array<uint8_t, 2> smallBuffer{};
    ztNetWriter small(smallBuffer.data(), smallBuffer.size());
    EXPECT_THROW(small.assign(source), std::out_of_range);
    EXPECT_FALSE(small.good());
}

TEST(ztNetWriter, errorMessageLayout) {
    const ztErrorMessage message(ztErr_connectFailed, ztText::connectFailed, 's', "alpha", 'e',
                                 "42");
    std::array<uint8_t, 128> buffer{};
    ztNetWriter writer(buffer.data(), buffer.size());
    writer.putErrorMessage(message);
    // The error value field is always 0xFFFF; parameters follow in code order (e before s).
    const Bytes expected = concat({
        {0x00, 0x00, 0xFF, 0xFF},
        {0x00, 0x00, 0xFF, 0xFF},
        stringBytes("Unable to connect to the server \"$s\"."),
        {0x00, 0x00, 0x00, 0x02},
        {101},
        stringBytes("42"),
        {115},
        stringBytes("alpha"),
    });
    EXPECT_EQ(written(writer), expected);

    ztNetReader reader(writer.data(), writer.count());
    ztErrorMessage readBack;
    reader.getErrorMessage(readBack);
    EXPECT_TRUE(reader.good());
    EXPECT_EQ(reader.count(), reader.size());
    EXPECT_EQ(readBack.getErrorValue(), ztErr_unknown);
    EXPECT_EQ(readBack.getTemplate(), message.getTemplate());
    EXPECT_EQ(readBack.getText(), "Unable to connect to the server \"alpha\".");
    EXPECT_EQ(readBack.getParam('e'), "42");
}

TEST(ztNetWriter, errorMessageWithoutParameters) {
    const ztErrorMessage message(ztErr_netReadWrite, "");
    std::array<uint8_t, 16> buffer{};
    ztNetWriter writer(buffer.data(), buffer.size());
    writer.putErrorMessage(message);
    EXPECT_EQ(written(writer), (Bytes{0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00,
                                      0x00, 0x00, 0x00}));
}

} // namespace
