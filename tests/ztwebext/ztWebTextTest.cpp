// Query decoding, base64 and the masking of secrets in logged queries.
#include "ztwebext/ztWebText.h"

#include <gtest/gtest.h>

TEST(WebText, DecodesPercentAndPlus) {
    struct Row {
        const char* in;
        bool plus;
        std::string out;
    } rows[] = {
        {"a%41b", true, "aAb"}, {"%4a%4A", true, "JJ"}, {"100%", true, "100%"},
        {"%4", true, "%4"},     {"%zz", true, "%zz"},   {"a+b", true, "a b"},
        {"a+b", false, "a+b"},  {"%2B", true, "+"},     {"%00x", true, std::string("\0x", 2)},
        {"", true, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.in);
        EXPECT_EQ(ztWebDecode(row.in, row.plus), row.out);
    }
}

TEST(WebText, ParsesQueries) {
    using Map = std::map<std::string, std::string>;
    EXPECT_EQ(ztWebParseQuery(""), Map{});
    EXPECT_EQ(ztWebParseQuery("a=1&&b"), (Map{{"a", "1"}, {"b", ""}}));
    EXPECT_EQ(ztWebParseQuery("a=1&a=2"), (Map{{"a", "2"}}));
    EXPECT_EQ(ztWebParseQuery("k%65y=v%3D1=2"), (Map{{"key", "v=1=2"}}));
    EXPECT_EQ(ztWebParseQuery("name=J+Doe"), (Map{{"name", "J Doe"}}));
}

TEST(WebText, DecodesBase64) {
    struct Row {
        const char* in;
        std::optional<std::string> out;
    } rows[] = {
        {"", std::string()},
        {"YQ==", std::string("a")},
        {"YQ", std::string("a")},
        {"YWI=", std::string("ab")},
        {"YWJj", std::string("abc")},
        {"YWRtaW46ZGVtbw==", std::string("admin:demo")},
        {"+/8=", std::string("\xfb\xff")},
        {"YWJjZ", std::nullopt}, // one character cannot make a byte
        {"YW!j", std::nullopt},
        {"YW Jj", std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.in);
        EXPECT_EQ(ztWebBase64Decode(row.in), row.out);
    }
}

TEST(WebText, MasksSecretsInQueries) {
    struct Row {
        const char* in;
        const char* out;
    } rows[] = {
        {"", ""},
        {"limit=1", "limit=1"},
        {"session=abc&limit=1", "session=***&limit=1"},
        {"SESSION=abc", "SESSION=***"},
        {"loginName=bob&password=x%26y", "loginName=***&password=***"},
        {"%70assword=x", "%70assword=***"},
        {"pass+word=x&password", "pass+word=x&password"},
        {"a=1&&session=s", "a=1&&session=***"},
        {"sessionx=1", "sessionx=1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.in);
        EXPECT_EQ(ztWebMaskQuery(row.in), row.out);
    }
}
