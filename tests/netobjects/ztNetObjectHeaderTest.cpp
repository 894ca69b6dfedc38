// The object header on the wire: both sizes, every flag combination this side sends, and
// headers that are short or not of this protocol.
#include "netobjects/ztNetObjectHeader.h"

#include "netobjects/ztNetReader.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using Header = ztNetObjectHeader;

Bytes encode(const Header& inHeader) {
    uint8_t buffer[Header::un32DataHeaderSize] = {};
    const uint32_t length = inHeader.write(buffer, sizeof buffer);
    EXPECT_EQ(length, inHeader.size());
    return Bytes(buffer, buffer + length);
}

TEST(ztNetObjectHeader, encodesEveryPacketKindByteForByte) {
    const struct {
        const char* name;
        Header header;
        Bytes bytes;
    } rows[] = {
        {"request, first and last",
         {0x1234, 7, Header::requestDataFlags(true, true), 0},
         {0x12, 0x34, 0x07, 0x0B, 0x00, 0x00}},
        {"request, first",
         {1, 7, Header::requestDataFlags(true, false), 0},
         {0x00, 0x01, 0x07, 0x03, 0x00, 0x00}},
        {"request, middle",
         {1, 7, Header::requestDataFlags(false, false), 0},
         {0x00, 0x01, 0x07, 0x01, 0x00, 0x00}},
        {"request, last",
         {1, 7, Header::requestDataFlags(false, true), 0},
         {0x00, 0x01, 0x07, 0x09, 0x00, 0x00}},
        {"response, middle",
         {0xFFFE, 0x20, Header::responseDataFlags(false), 0},
         {0xFF, 0xFE, 0x20, 0x00, 0x00, 0x00}},
        {"response, last",
         {0xFFFE, 0x20, Header::responseDataFlags(true), 0},
         {0xFF, 0xFE, 0x20, 0x08, 0x00, 0x00}},
        {"error report about an own request",
         {9, 2, Header::errorReportFlags(true), 0x0304},
         {0x00, 0x09, 0x02, 0x09, 0x03, 0x04}},
        {"error report about a peer object",
         {9, 2, Header::errorReportFlags(false), 0x0303},
         {0x00, 0x09, 0x02, 0x08, 0x03, 0x03}},
        {"cancel", {0x0102, 3, Header::cancelFlags, 0}, {0x01, 0x02, 0x03, 0x0D, 0x00, 0x00}},
        {"cancel acknowledgement",
         {0x0102, 3, Header::cancelAckFlags, 0},
         {0x01, 0x02, 0x03, 0x0C, 0x00, 0x00}},
        {"keep-alive", Header::keepAlive(), {0x00, 0x00, 0x00, 0x08, 0x00, 0x00}},
        {"type 254 still fits", {5, 254, 0x0B, 0}, {0x00, 0x05, 0xFE, 0x0B, 0x00, 0x00}},
        {"type 255 is extended",
         {5, 255, 0x0B, 0},
         {0x00, 0x05, 0xFF, 0x0B, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00}},
        {"type 0x1234 is extended",
         {5, 0x1234, 0x09, 0xFFFF},
         {0x00, 0x05, 0xFF, 0x09, 0xFF, 0xFF, 0x12, 0x34, 0x00, 0x00}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(encode(row.header), row.bytes);

        Header read(1, 1, 1, 1);
        ztNetReader reader(row.bytes.data(), row.bytes.size());
        read.read(reader);
        EXPECT_EQ(read, row.header);
        EXPECT_EQ(reader.count(), row.bytes.size());
    }
}

TEST(ztNetObjectHeader, refusesHeadersThatAreShortOrNotOfThisProtocol) {
    const struct {
        const char* name;
        Bytes bytes;
    } rows[] = {
        {"empty", {}},
        {"one byte short", {0x00, 0x01, 0x07, 0x0B, 0x00}},
        {"extended, one byte short", {0x00, 0x05, 0xFF, 0x0B, 0x00, 0x00, 0x01, 0x00, 0x00}},
        {"extended, reserved word set",
         {0x00, 0x05, 0xFF, 0x0B, 0x00, 0x00, 0x01, 0x00, 0x00, 0x01}},
    };
    const Header before(3, 4, 5, 6);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Header header = before;
        ztNetReader reader(row.bytes.data(), row.bytes.size());
        EXPECT_THROW(header.read(reader), std::out_of_range);
        EXPECT_EQ(header, before);
    }
}

TEST(ztNetObjectHeader, doesNotWritePastAFixedBuffer) {
    uint8_t buffer[Header::un32DataHeaderSize] = {};
    EXPECT_THROW(Header(1, 300, 0, 0).write(buffer, 9), std::out_of_range);
    EXPECT_THROW(Header(1, 3, 0, 0).write(buffer, 5), std::out_of_range);
    EXPECT_EQ(Header(1, 3, 0, 0).write(buffer, 6), 6u);
}

} // namespace
