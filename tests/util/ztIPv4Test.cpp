// IPv4 values: the dotted and reverse-zone parsers and printers.
#include "util/ztIPv4.h"

#include <gtest/gtest.h>

namespace {

TEST(ztIPv4, acceptedTexts) {
    const struct {
        const char* text;
        ztIPv4 expected;
    } rows[] = {
        {"10.1.2.3", ztIPv4(10, 1, 2, 3)},
        {"0.0.0.0", ztIPv4()},
        {"255.255.255.255", ztIPv4(255, 255, 255, 255)},
        {"10.0.20.100", ztIPv4(10, 0, 20, 100)},
        {"3.2.1.10.in-addr.arpa.", ztIPv4(10, 1, 2, 3)},
        {"3.2.1.10.IN-ADDR.Arpa.", ztIPv4(10, 1, 2, 3)},
        {"0.0.0.0.in-addr.arpa.", ztIPv4()},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        ztIPv4 address;
        EXPECT_TRUE(address.fromString(row.text));
        EXPECT_EQ(row.expected, address);
    }
}

TEST(ztIPv4, rejectedTextsLeaveZero) {
    const char* const rows[] = {
        "",
        "10.1.2.03",               // leading zero
        "00.1.2.3",                // a zero followed by another digit
        "10.1.2",                  // three parts
        "10.1.2.3.4",              // five parts
        "256.1.1.1",               // part above 255
        "10.1.2.3.",               // trailing full stop
        "10..2.3",                 // empty part
        ".10.1.2.3",               // leading full stop
        " 10.1.2.3",               // blank before
        "10.1.2.3 ",               // blank after
        "10.1.2.3x",               // letter after
        "-1.2.3.4",                // sign
        "3.2.1.10.in-addr.arpa",   // reverse form without the final full stop
        "3.2.1.10.in-addr.arpa.x", // reverse form with something after
        "3.2.1.10.in-addr.",       // truncated zone
        "3.2.1.in-addr.arpa.",     // reverse form with three parts
        "5.4.3.2.1.in-addr.arpa.", // reverse form with five parts
        "3.2.1.10..in-addr.arpa.", // doubled full stop
    };
    for (const char* text : rows) {
        SCOPED_TRACE(text);
        ztIPv4 address(1, 2, 3, 4);
        EXPECT_FALSE(address.fromString(text));
        EXPECT_TRUE(address.isZero());
    }
}

TEST(ztIPv4, printedFormsParseBack) {
    const ztIPv4 address(192, 0, 2, 255);
    EXPECT_EQ("192.0.2.255", address.format());
    EXPECT_EQ("255.2.0.192.in-addr.arpa.", address.arpaFormat());
    for (const std::string& text : {address.format(), address.arpaFormat()}) {
        ztIPv4 parsed;
        EXPECT_TRUE(parsed.fromString(text));
        EXPECT_EQ(address, parsed);
    }
}

TEST(ztIPv4, dottedParserRefusesTheReverseForm) {
    ztIPv4 address;
    EXPECT_TRUE(address.fromDottedString("1.2.3.4"));
    EXPECT_FALSE(address.fromDottedString("4.3.2.1.in-addr.arpa."));
    EXPECT_TRUE(address.isZero());
}

} // namespace
