// IP address values: the three parsers, the compressed printing rule with its rightmost run,
// the reverse-zone names and the IPv4-mapped form.
#include "util/ztIPv6.h"

#include <gtest/gtest.h>

#include <array>

namespace {

// The address with the eight given 16-bit groups.
ztIPv6 fromGroups(const std::array<uint16_t, 8>& inGroups) {
    ztIPv6::Bytes bytes{};
    for (size_t i = 0; i < inGroups.size(); ++i) {
        bytes[2 * i] = static_cast<uint8_t>(inGroups[i] >> 8);
        bytes[2 * i + 1] = static_cast<uint8_t>(inGroups[i]);
    }
    return ztIPv6(bytes);
}

const ztIPv6 kMapped10123 = ztIPv6(ztIPv4(10, 1, 2, 3));

TEST(ztIPv6, ipv4FormsGiveTheSameMappedAddress) {
    const char* const texts[] = {"::ffff:10.1.2.3", "::FFFF:10.1.2.3", "10.1.2.3",
                                 "3.2.1.10.in-addr.arpa.", "0:0:0:0:0:ffff:a01:203"};
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        ztIPv6 address;
        ASSERT_TRUE(address.fromString(text));
        EXPECT_EQ(kMapped10123, address);
        EXPECT_TRUE(address.isIPv4());
        EXPECT_EQ(ztIPv4(10, 1, 2, 3), address.getIPv4());
        EXPECT_EQ("10.1.2.3", address.format());
        EXPECT_EQ("3.2.1.10.in-addr.arpa.", address.arpaFormat());
    }
}

TEST(ztIPv6, acceptedTexts) {
    const struct {
        const char* text;
        std::array<uint16_t, 8> groups;
    } rows[] = {
        {"2001:db8::1", {0x2001, 0xdb8, 0, 0, 0, 0, 0, 1}},
        {"2001:DB8::1", {0x2001, 0xdb8, 0, 0, 0, 0, 0, 1}},
        {"::", {0, 0, 0, 0, 0, 0, 0, 0}},
        {"::0", {0, 0, 0, 0, 0, 0, 0, 0}},
        {"1::", {1, 0, 0, 0, 0, 0, 0, 0}},
        {"1:2:3:4:5:6:7::", {1, 2, 3, 4, 5, 6, 7, 0}},
        {"::2:3:4:5:6:7:8", {0, 2, 3, 4, 5, 6, 7, 8}},
        {"1:2:3:4:5:6:7:8", {1, 2, 3, 4, 5, 6, 7, 8}},
        {"fe80::1:0:0:2", {0xfe80, 0, 0, 0, 1, 0, 0, 2}},
        {"ffff:FFFF:0000:00ab::", {0xffff, 0xffff, 0, 0xab, 0, 0, 0, 0}},
        {"::1.2.3.4", {0, 0, 0, 0, 0, 0, 0x102, 0x304}},
        {"1:2:3:4:5:6:1.2.3.4", {1, 2, 3, 4, 5, 6, 0x102, 0x304}},
        {"1::255.0.0.0", {1, 0, 0, 0, 0, 0, 0xff00, 0}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        ztIPv6 address;
        EXPECT_TRUE(address.fromString(row.text));
        EXPECT_EQ(fromGroups(row.groups), address);
    }
}

TEST(ztIPv6, rejectedTextsLeaveZero) {
    const char* const rows[] = {
        "",
        "1:2:3:4:5:6:7:8:9",            // nine groups
        "1::2::3",                      // two gaps
        "12345::1",                     // group above 0xFFFF
        "1:2:3:4:5:6:7",                // seven groups and no gap
        ":1:2:3:4:5:6:7",               // single leading colon
        "1:2:3:4:5:6:7:",               // colon ending the text
        "1:2:3:4::5:6:7:8",             // a gap with all 16 bytes filled
        "1:2:3:4:5:6:7:8::",            // the same with the gap last
        ":::",                          // colon after the gap
        "1:::2",                        // colon after the gap
        "::g",                          // not a hexadecimal digit
        "::1%eth0",                     // zone index
        " ::1",                         // blank before
        "::1 ",                         // blank after
        "::1.2.3",                      // three-part embedded IPv4
        "::1.2.3.04",                   // leading zero in embedded IPv4
        "::1.2.3.256",                  // part above 255 in embedded IPv4
        "::1.2.3.4:5",                  // something after the embedded IPv4
        "::a.2.3.4",                    // hexadecimal digit in embedded IPv4
        "1:2:3:4:5:6:7:1.2.3.4",        // no room for the embedded IPv4
        "::ffff:4.3.2.1.in-addr.arpa.", // reverse form inside IPv6 text
        "10.1.2.03",                    // IPv4 with a leading zero
        "10.1.2",                       // IPv4 with three parts
        "256.1.1.1",                    // IPv4 part above 255
        "10.1.2.3.",                    // IPv4 with a trailing full stop
    };
    for (const char* text : rows) {
        SCOPED_TRACE(text);
        ztIPv6 address = kMapped10123;
        EXPECT_FALSE(address.fromString(text));
        EXPECT_EQ(ztIPv6(), address);
    }
}

TEST(ztIPv6, nullTextIsZeroAndSucceeds) {
    ztIPv6 address = kMapped10123;
    EXPECT_TRUE(address.fromString(static_cast<const char*>(nullptr)));
    EXPECT_EQ(ztIPv6(), address);
}

// The run written as "::" is the rightmost one of at least two zero groups that ends before
// the last group, not the longest one.
TEST(ztIPv6, compressedPrinting) {
    const struct {
        const char* name;
        std::array<uint16_t, 8> groups;
        const char* expected;
    } rows[] = {
        {"zero address", {0, 0, 0, 0, 0, 0, 0, 0}, "::0"},
        {"loopback", {0, 0, 0, 0, 0, 0, 0, 1}, "::1"},
        {"documentation prefix", {0x2001, 0xdb8, 0, 0, 0, 0, 0, 1}, "2001:db8::1"},
        {"trailing zeros end in a zero", {1, 0, 0, 0, 0, 0, 0, 0}, "1::0"},
        {"last three groups zero", {1, 2, 3, 4, 5, 0, 0, 0}, "1:2:3:4:5::0"},
        {"rightmost run wins over a longer one", {1, 0, 0, 0, 2, 0, 0, 3}, "1:0:0:0:2::3"},
        {"rightmost of two equal runs", {1, 0, 0, 2, 3, 0, 0, 4}, "1:0:0:2:3::4"},
        {"single zero group stays", {1, 0, 2, 3, 4, 5, 6, 7}, "1:0:2:3:4:5:6:7"},
        {"last group never joins a run", {1, 2, 3, 4, 5, 6, 0, 0}, "1:2:3:4:5:6:0:0"},
        {"run at the start", {0, 0, 3, 4, 5, 6, 7, 8}, "::3:4:5:6:7:8"},
        {"lower case, no leading zeros", {0xABCD, 0xEF, 0, 0, 0, 0, 0x0A, 0xF00}, "abcd:ef::a:f00"},
        {"IPv4-compatible prints in hexadecimal", {0, 0, 0, 0, 0, 0, 0x102, 0x304}, "::102:304"},
        {"no zero group", {1, 2, 3, 4, 5, 6, 7, 8}, "1:2:3:4:5:6:7:8"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const ztIPv6 address = fromGroups(row.groups);
        EXPECT_EQ(row.expected, address.format(true));
        ztIPv6 parsed;
        EXPECT_TRUE(parsed.fromString(address.format(true)));
        EXPECT_EQ(address, parsed);
        EXPECT_TRUE(parsed.fromString(address.format(false)));
        EXPECT_EQ(address, parsed);
    }
    EXPECT_EQ("2001:db8:0:0:0:0:0:1", fromGroups({0x2001, 0xdb8, 0, 0, 0, 0, 0, 1}).format(false));
}

TEST(ztIPv6, reverseZoneNames) {
    const ztIPv6 address = fromGroups({0x2001, 0xdb8, 0, 0, 0, 0, 0, 0x1abc});
    const std::string name = address.arpaFormat();
    EXPECT_EQ("c.b.a.1.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.8.b.d.0.1.0.0.2.ip6.arpa.", name);
    EXPECT_EQ(73u, name.size());

    const struct {
        const char* name;
        std::string text;
    } rows[] = {
        {"as printed", name},
        {"upper case", "C.B.A.1.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.8.B.D.0.1.0.0.2.IP6.ARPA."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ztIPv6 parsed;
        EXPECT_TRUE(parsed.fromString(row.text));
        EXPECT_EQ(address, parsed);
    }

    const ztIPv6 zero;
    ztIPv6 parsed;
    EXPECT_TRUE(parsed.fromString(zero.arpaFormat()));
    EXPECT_EQ(zero, parsed);
}

TEST(ztIPv6, malformedReverseZoneNamesFail) {
    const std::string good =
        "c.b.a.1.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.8.b.d.0.1.0.0.2.ip6.arpa.";
    std::string badNibble = good;
    badNibble[10] = 'g';
    std::string missingStop = good;
    missingStop[11] = '0';
    const struct {
        const char* name;
        std::string text;
    } rows[] = {
        {"non-hexadecimal nibble", badNibble},
        {"nibble where a full stop belongs", missingStop},
        {"zone, not an address", "8.b.d.0.1.0.0.2.ip6.arpa."},
        {"one nibble short", good.substr(2)},
        {"one nibble too many", "0." + good},
        {"suffix alone", ".ip6.arpa."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ztIPv6 address = kMapped10123;
        EXPECT_FALSE(address.fromString(row.text));
        EXPECT_EQ(ztIPv6(), address);
    }
}

TEST(ztIPv6, isSet) {
    const struct {
        const char* text;
        bool set;
    } rows[] = {
        {"::", false}, {"0.0.0.0", false},    {"10.1.2.3", true},
        {"::1", true}, {"::ffff:0:0", false}, {"1::", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(row.set, ztIPv6(row.text).isSet());
    }
    EXPECT_FALSE(ztIPv6().isIPv4());
    EXPECT_EQ(ztIPv4(), ztIPv6().getIPv4());
}

TEST(ztIPv6, rawBytesAreInNetworkOrder) {
    const uint8_t raw[16] = {0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    EXPECT_EQ("2001:db8::1", ztIPv6(raw).format());
}

} // namespace
