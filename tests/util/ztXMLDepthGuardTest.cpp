// The nesting pre-scan must never let TinyXML see a document deeper than the bound, and
// must accept every ordinary document.
#include "util/ztXMLDepthGuard.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <string>

namespace {

std::string repeat(const std::string& inUnit, size_t inCount) {
    std::string text;
    text.reserve(inUnit.size() * inCount);
    for (size_t i = 0; i < inCount; ++i)
        text += inUnit;
    return text;
}

std::string nested(size_t inDepth) {
    return repeat("<a>", inDepth) + repeat("</a>", inDepth);
}

TEST(ztXMLDepthGuard, AcceptsExactlyTheLimit) {
    EXPECT_TRUE(ztXMLDepthWithin(nested(ztMaxNestingDepth)));
    EXPECT_FALSE(ztXMLDepthWithin(nested(ztMaxNestingDepth + 1)));
    // What passes is parsed by TinyXML without trouble.
    TiXmlDocument doc;
    doc.Parse(nested(ztMaxNestingDepth).c_str());
    EXPECT_FALSE(doc.Error());
}

TEST(ztXMLDepthGuard, RejectsDepthThatWouldOverflowTheStack) {
    EXPECT_FALSE(ztXMLDepthWithin(nested(200000)));
    EXPECT_FALSE(ztXMLDepthWithin(repeat("<a>", 1000000)));
}

TEST(ztXMLDepthGuard, OrdinaryDocuments) {
    struct Row {
        const char* name;
        std::string text;
        bool within;
    };
    const Row rows[] = {
        {"soap envelope",
         "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<soap:Envelope "
         "xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body><login><name>a</"
         "name><password>x&lt;y</password></login></soap:Body></soap:Envelope>",
         true},
        {"many siblings", "<r>" + repeat("<a x='1'/><b>t</b>", 5000) + "</r>", true},
        {"comments, cdata, doctype, pi",
         "<!DOCTYPE r><?pi data?><r><!-- <a> --><![CDATA[<a><a>]]><b/></r>", true},
        {"utf-8 names", "<\xC3\xA9l\xC3\xA9ment attr=\"v\">x</\xC3\xA9l\xC3\xA9ment>", true},
        {"bare attribute value", "<a x=1 y=two>t</a>", true},
        {"empty text", "", true},
        {"text only", "just text", true},
        {"unterminated comment", "<a><!-- open", false},
        {"unterminated cdata", "<a><![CDATA[ open", false},
        {"unterminated start tag", "<a x='1'", false},
        {"attribute without value", "<a x>", false},
        {"quote in bare value", "<a x=a\"b>", false},
        {"declaration inside an element", "<a><?xml version='1.0'?></a>", false},
        {"declaration with a quoted >", "<?xml version='>'?><a/>", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ztXMLDepthWithin(row.text), row.within);
    }
}

// End tags that TinyXML never sees as end tags must not lower the count; otherwise a
// document could smuggle unbounded depth past the scan.
TEST(ztXMLDepthGuard, HiddenEndTagsDoNotLowerTheCount) {
    const size_t deep = ztMaxNestingDepth + 1;
    struct Row {
        const char* name;
        std::string text;
    };
    const Row rows[] = {
        {"in comments", repeat("<a><!--</a>-->", deep)},
        {"in cdata", repeat("<a><![CDATA[</a>]]>", deep)},
        {"in attribute values", repeat("<a x=\"</a>\">", deep)},
        {"in single-quoted values", repeat("<a x='</a>'>", deep)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_FALSE(ztXMLDepthWithin(row.text));
    }
}

TEST(ztXMLDepthGuard, SelfClosingAndEndTagsKeepTheCountFlat) {
    EXPECT_TRUE(ztXMLDepthWithin(repeat("<a/>", 100000)));
    EXPECT_TRUE(ztXMLDepthWithin(repeat("<a></a>", 100000)));
    // Stray end tags at the top cannot bank credit for later depth.
    EXPECT_FALSE(ztXMLDepthWithin(repeat("</a>", 1000) + nested(ztMaxNestingDepth + 1)));
}

} // namespace
