// Address arithmetic of the stand-in server: prefixes, range names and counts.
#include "ztcentral/model/ztCentralAddress.h"

#include <gtest/gtest.h>

namespace {

using Value = ztCentralAddress::Value;

Value address(const char* inText) {
    Value value = 0;
    EXPECT_TRUE(ztCentralAddress::parse(inText, value)) << inText;
    return value;
}

TEST(ztCentralAddressTest, PrefixesGiveTheirBounds) {
    struct Row {
        const char* text;
        bool valid;
        const char* from;
        const char* to;
    };
    const Row rows[] = {
        {"10.0.0.0/8", true, "10.0.0.0", "10.255.255.255"},
        {"10.0.1.7/32", true, "10.0.1.7", "10.0.1.7"},
        {"0.0.0.0/0", true, "0.0.0.0", "255.255.255.255"},
        {"2001:db8::0/32", true, "2001:db8::0", "2001:db8:ffff:ffff:ffff:ffff:ffff:ffff"},
        {"10.0.1.1/24", false, "", ""}, // host bits set
        {"10.0.0.0/33", false, "", ""}, // longer than an IPv4 address
        {"2001:db8::/129", false, "", ""},
        {"10.0.0.0/", false, "", ""},
        {"10.0.0.0/+8", false, "", ""},
        {"10.0.0.0", false, "", ""},
        {"1.0.0.10.in-addr.arpa./32", false, "", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        Value from = 0;
        Value to = 0;
        ASSERT_EQ(ztCentralAddress::parsePrefix(row.text, from, to), row.valid);
        if (!row.valid)
            continue;
        EXPECT_EQ(ztCentralAddress::format(from), row.from);
        EXPECT_EQ(ztCentralAddress::format(to), row.to);
        EXPECT_EQ(ztCentralAddress::rangeName(from, to), row.text);
    }
}

TEST(ztCentralAddressTest, RangeNamesAndCounts) {
    EXPECT_EQ(ztCentralAddress::rangeName(address("10.0.0.0"), address("10.0.0.255")),
              "10.0.0.0/24");
    EXPECT_EQ(ztCentralAddress::rangeName(address("10.0.0.1"), address("10.0.0.255")),
              "10.0.0.1-10.0.0.255");
    EXPECT_EQ(ztCentralAddress::rangeName(address("10.0.0.0"), address("10.0.1.127")),
              "10.0.0.0-10.0.1.127");
    // An IPv6 prefix that happens to cover the IPv4-mapped block is no IPv4 prefix.
    EXPECT_EQ(ztCentralAddress::prefixLength(address("::ffff:0.0.0.0"),
                                             address("::ffff:255.255.255.255")),
              0);
    EXPECT_EQ(ztCentralAddress::prefixLength(address("::"), address("::ffff:ffff:ffff")), 80);
    EXPECT_EQ(ztCentralAddress::prefixLength(address("::"), address("::ffff:ffff:fffe")), -1);

    EXPECT_EQ(ztCentralAddress::count(address("10.0.0.0"), address("10.0.0.255")), 256u);
    EXPECT_EQ(ztCentralAddress::count(address("10.0.0.5"), address("10.0.0.5")), 1u);
    EXPECT_EQ(ztCentralAddress::count(address("10.0.0.6"), address("10.0.0.5")), 0u);
    EXPECT_EQ(ztCentralAddress::count(address("0.0.0.0"), address("255.255.255.255")),
              0xFFFFFFFFu); // 2^32 addresses, capped
    EXPECT_EQ(ztCentralAddress::count(address("2001:db8::"), address("2001:db8::ffff:ffff:ffff")),
              0xFFFFFFFFu);

    Value from = 0;
    Value to = 0;
    EXPECT_TRUE(ztCentralAddress::parseRange("10.0.0.9-10.0.0.20", from, to));
    EXPECT_EQ(ztCentralAddress::count(from, to), 12u);
    EXPECT_FALSE(ztCentralAddress::parseRange("10.0.0.20-10.0.0.9", from, to));
    EXPECT_FALSE(ztCentralAddress::parseRange("10.0.0.1-2001:db8::1", from, to));
    EXPECT_FALSE(ztCentralAddress::parse("3.2.1.10.in-addr.arpa.", from));
}

} // namespace
