// The nesting pre-scan must never let TinyXML see a document deeper than the bound, and
// must accept every ordinary document.
#include "util/ztXMLDepthGuard.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <algorithm>
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

namespace {

// The deepest element of a document TinyXML built.
size_t deepestElement(const TiXmlNode& inNode, size_t inDepth = 0) {
    size_t deepest = inDepth;
    for (const TiXmlNode* child = inNode.FirstChild(); child; child = child->NextSibling()) {
        if (child->ToElement())
            deepest = std::max(deepest, deepestElement(*child, inDepth + 1));
    }
    return deepest;
}

// TinyXML looks for the ";" of a "&#x" anywhere further on, back to the nearest "x": what
// lies between, the rest of a quoted value included, it skips and then reads as markup.
TEST(ztXMLDepthGuard, MalformedReferencesCannotHideNesting) {
    const std::string hidden = "<r>&#x<a b=\"x41;" + nested(ztMaxNestingDepth + 5) + "\"/></r>";
    TiXmlDocument document;
    document.Parse(hidden.c_str(), nullptr, TIXML_ENCODING_LEGACY);
    ASSERT_GT(deepestElement(document), ztMaxNestingDepth); // what the scan must refuse
    EXPECT_FALSE(ztXMLDepthWithin(hidden));
    struct Row {
        const char* name;
        std::string text;
    };
    const Row rows[] = {
        {"in an attribute value", "<r a=\"&#x\"><b c=\"x41;<d>\"/></r>"},
        {"in the declaration", "<?xml version=\"&#x\"?><r b=\"x41;<d>\"/>"},
        {"no semicolon", "<r>&#x41</r>"},
        {"space before the semicolon", "<r>&#x41 ;</r>"},
        {"upper-case X", "<r>&#X41;</r>"},
        {"hex digit in a decimal reference", "<r>&#4a;</r>"},
        {"nothing after the hash", "<r>&#"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_FALSE(ztXMLDepthWithin(row.text));
    }
}

TEST(ztXMLDepthGuard, ReferencesAreDecodedWhereTinyXmlReadsThem) {
    struct Row {
        const char* name;
        std::string text;
        ztXMLScanResult result;
        std::string prepared;
        std::string badReference;
    };
    using R = ztXMLScanResult;
    const Row rows[] = {
        {"hex and decimal in text", "<r>&#x4E2D;&#20013;&#x1F600;</r>", R::ok,
         "<r>\xE4\xB8\xAD\xE4\xB8\xAD\xF0\x9F\x98\x80</r>", ""},
        {"boundaries", "<r>&#x7F;&#x80;&#x7FF;&#x800;&#xFFFD;&#x10000;&#x10FFFF;</r>", R::ok,
         "<r>&#x7F;\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBD\xF0\x90\x80\x80\xF4\x8F\xBF\xBF</r>",
         ""},
        {"leading zeros", "<r>&#x000000E9;&#00233;</r>", R::ok, "<r>\xC3\xA9\xC3\xA9</r>", ""},
        {"quoted attribute values", "<r a=\"&#xE9;\" b='&#233;' c=&#xE9;/>", R::ok,
         "<r a=\"\xC3\xA9\" b='\xC3\xA9' c=&#xE9;/>", ""},
        {"ASCII, controls and entities are left to TinyXML", "<r>&#x3C;&#60;&#x1;&amp;&lt;</r>",
         R::ok, "<r>&#x3C;&#60;&#x1;&amp;&lt;</r>", ""},
        {"not in comments, CDATA, names or outside the root",
         "&#xE9;<r><!--&#xE9;--><![CDATA[&#xE9;]]></r>&#xE9;", R::ok,
         "&#xE9;<r><!--&#xE9;--><![CDATA[&#xE9;]]></r>&#xE9;", ""},
        {"nested elements", "<r><a>&#xE9;</a>&#xE9;<b x='&#xE9;'>&#xE9;</b></r>", R::ok,
         "<r><a>\xC3\xA9</a>\xC3\xA9<b x='\xC3\xA9'>\xC3\xA9</b></r>", ""},
        {"raw UTF-8 stays", "<r a=\"\xC3\xA9\">\xE4\xB8\xAD\xFF</r>", R::ok,
         "<r a=\"\xC3\xA9\">\xE4\xB8\xAD\xFF</r>", ""},
        {"a high surrogate", "<r>a&#xD800;</r>", R::forbiddenReference, "", "&#xD800;"},
        {"a low surrogate, decimal", "<r>&#57343;</r>", R::forbiddenReference, "", "&#57343;"},
        {"U+FFFE", "<r>&#xFFFE;</r>", R::forbiddenReference, "", "&#xFFFE;"},
        {"U+FFFF", "<r a='&#xFFFF;'/>", R::forbiddenReference, "", "&#xFFFF;"},
        {"U+110000", "<r>&#x110000;</r>", R::forbiddenReference, "", "&#x110000;"},
        {"a value past 32 bits", "<r>&#x1000000000041;</r>", R::forbiddenReference, "",
         "&#x1000000000041;"},
        {"U+0000", "<r>&#0;</r>", R::forbiddenReference, "", "&#0;"},
        {"no digits, read as U+0000", "<r>&#x;</r>", R::forbiddenReference, "", "&#x;"},
        {"in the declaration", "<?xml version=\"&#xD800;\"?><r/>", R::forbiddenReference, "",
         "&#xD800;"},
        {"malformed", "<r>&#xZZ;</r>", R::malformed, "", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string prepared = "stale";
        std::string badReference = "stale";
        EXPECT_EQ(ztXMLPrepare(row.text, prepared, badReference), row.result);
        EXPECT_EQ(prepared, row.prepared);
        EXPECT_EQ(badReference, row.badReference);
        EXPECT_EQ(ztXMLDepthWithin(row.text), row.result != R::malformed);
    }
    // The depth bound holds as in ztXMLDepthWithin, after a forbidden reference too.
    std::string prepared;
    std::string badReference;
    const std::string deepAfterReference =
        "<r>&#xD800;" + nested(ztMaxNestingDepth) + "&#xDC00;</r>";
    EXPECT_FALSE(ztXMLDepthWithin(deepAfterReference));
    EXPECT_EQ(ztXMLPrepare(deepAfterReference, prepared, badReference), ztXMLScanResult::malformed);
    EXPECT_TRUE(ztXMLDepthWithin("<r>&#xD800;" + nested(ztMaxNestingDepth - 1) + "</r>"));
    EXPECT_EQ(ztXMLPrepare("<r>&#xD800;<a>&#xDC00;</a></r>", prepared, badReference),
              ztXMLScanResult::forbiddenReference);
    EXPECT_EQ(badReference, "&#xD800;");
    EXPECT_EQ(ztXMLPrepare(nested(ztMaxNestingDepth + 1), prepared, badReference),
              ztXMLScanResult::malformed);
    EXPECT_EQ(ztXMLPrepare(nested(ztMaxNestingDepth), prepared, badReference), ztXMLScanResult::ok);
    EXPECT_EQ(prepared, nested(ztMaxNestingDepth));
}

} // namespace
