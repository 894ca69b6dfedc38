// Text output of trees: the byte-wise escaping, element shapes, the option flags and
// trees deeper than any recursion could handle.
#include "util/ztXMLPrinter.h"

#include "util/ztXMLTestTrees.h"
#include "ztUTF8TestCases.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Options {
    bool replaceControl = false;
    bool skipAttributes = false;
    bool indent = false;
};

std::string print(const TiXmlNode& inNode, Options inOptions = {}) {
    std::string text;
    printXml(inNode, text, inOptions.replaceControl, inOptions.skipAttributes, inOptions.indent);
    return text;
}

// <a>inText</a>, the text built in code so that no parser decodes references first.
std::string printText(const std::string& inText, bool inReplaceControl) {
    TiXmlElement element("a");
    element.LinkEndChild(new TiXmlText(inText));
    return print(element, {inReplaceControl});
}

TEST(simpleXmlPrinter, escapesTextByteByByte) {
    struct Row {
        const char* name;
        std::string text;
        bool replaceControl;
        std::string expected;
    };
    const Row rows[] = {
        {"printable ASCII", "a b~!", false, "a b~!"},
        {"markup characters", "<>\"'", false, "&lt;&gt;&quot;&apos;"},
        {"backslash", "a\\b", false, "a&#x5C;b"},
        {"two-byte UTF-8 character", "\xC3\xA9", false, "\xC3\xA9"},
        {"DEL", "\x7F", false, "&#x7F;"},
        {"existing hexadecimal reference", "x&#xE9;y", false, "x&#xE9;y"},
        {"long hexadecimal reference", "&#x1F600;", false, "&#x1F600;"},
        {"reference to a control", "&#x1;", false, "&#x1;"},
        {"reference to U+0000", "&#x0;", false, "&amp;#x0;"},
        {"reference to a surrogate", "&#xD800;", false, "&amp;#xD800;"},
        {"reference to U+FFFF", "&#xFFFF;", false, "&amp;#xFFFF;"},
        {"reference to U+10FFFF", "&#x10FFFF;", false, "&#x10FFFF;"},
        {"reference past U+10FFFF", "&#x110000;", false, "&amp;#x110000;"},
        {"reference past 32 bits", "&#x100000041;", false, "&amp;#x100000041;"},
        {"named entity", "&amp;&lt;", false, "&amp;amp;&amp;lt;"},
        {"decimal reference", "&#65;", false, "&amp;#65;"},
        {"lone ampersand", "a & b", false, "a &amp; b"},
        {"reference without semicolon", "&#x41", false, "&amp;#x41"},
        {"reference without digits", "&#x;", false, "&amp;#x;"},
        {"reference cut at the end", "&#x", false, "&amp;#x"},
        {"markup hidden behind &#x", "&#x<b>;", false, "&amp;#x&lt;b&gt;;"},
        {"kept controls without replacement", "\t\n\r", false, "&#x09;&#x0A;&#x0D;"},
        {"other control without replacement", "\x01\x1F", false, "&#x01;&#x1F;"},
        {"other control replaced",
         "a\x01\x1F"
         "b",
         true, "a??b"},
        {"tab, line feed, carriage return never replaced", "\t\n\r", true, "&#x09;&#x0A;&#x0D;"},
        {"replacement leaves other bytes alone", "\\\x7F\xC3", true, "&#x5C;&#x7F;&#xC3;"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(printText(row.text, row.replaceControl), "<a>" + row.expected + "</a>");
    }
}

TEST(simpleXmlPrinter, wellFormedUTF8PrintsAsItIs) {
    for (const auto& row : zt::test::wellFormedCharacters()) {
        SCOPED_TRACE(row.name);
        const std::string text = "<" + row.bytes + "&";
        EXPECT_EQ(printText(text, false), "<a>&lt;" + row.bytes + "&amp;</a>");
        TiXmlElement element("e");
        element.SetAttribute("v", row.bytes);
        EXPECT_EQ(print(element), "<e v=\"" + row.bytes + "\" />");
    }
    EXPECT_EQ(printText("caf\xC3\xA9 \xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80", true),
              "<a>caf\xC3\xA9 \xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80</a>");
}

// Bytes that are no UTF-8 print as they always have, one reference per byte, so that no
// answer holds malformed UTF-8.
TEST(simpleXmlPrinter, malformedUTF8PrintsByteByByte) {
    for (const auto& row : zt::test::malformedBytes()) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(printText(row.bytes, false),
                  "<a>" + zt::test::escapeHighBytes(row.bytes, "&#x%02X;") + "</a>");
    }
    struct Row {
        const char* name;
        std::string text;
        bool replaceControl;
        std::string expected;
    };
    const Row rows[] = {
        // Well-formed UTF-8, but no character XML allows.
        {"U+FFFE", "\xEF\xBF\xBE", false, "&#xEF;&#xBF;&#xBE;"},
        {"U+FFFF", "\xEF\xBF\xBF", false, "&#xEF;&#xBF;&#xBF;"},
        {"stray continuation after a character", "\xC3\xA9\xA9", false, "\xC3\xA9&#xA9;"},
        {"character after a cut sequence", "\xE4\xB8\xC3\xA9", false, "&#xE4;&#xB8;\xC3\xA9"},
        {"controls replaced beside characters", "\x01\xC3\xA9\x1F", true, "?\xC3\xA9?"},
        {"controls kept beside characters", "\x01\xC3\xA9", false, "&#x01;\xC3\xA9"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(printText(row.text, row.replaceControl), "<a>" + row.expected + "</a>");
    }
}

TEST(simpleXmlPrinter, attributesAreEscapedAndCanBeSkipped) {
    TiXmlElement element("item");
    element.SetAttribute("type", "string");
    element.SetAttribute("v", "\"1\" & <2>\\");
    EXPECT_EQ(print(element), "<item type=\"string\" v=\"&quot;1&quot; &amp; &lt;2&gt;&#x5C;\" />");
    EXPECT_EQ(print(element, {false, true, false}), "<item />");

    element.LinkEndChild(new TiXmlText("x"));
    EXPECT_EQ(print(element, {false, true, false}), "<item>x</item>");
}

TEST(simpleXmlPrinter, nodeKinds) {
    TiXmlDocument document;
    document.LinkEndChild(new TiXmlDeclaration("1.0", "utf-8", ""));
    auto* root = new TiXmlElement("r");
    document.LinkEndChild(root);
    root->LinkEndChild(new TiXmlComment(" note <x> "));
    auto* unknown = new TiXmlUnknown;
    unknown->SetValue("!DOCTYPE r");
    root->LinkEndChild(unknown);
    auto* cdata = new TiXmlText("<raw> & \\");
    cdata->SetCDATA(true);
    root->LinkEndChild(cdata);
    root->LinkEndChild(new TiXmlElement("empty"));
    EXPECT_EQ(print(document), "<?xml version=\"1.0\" encoding=\"utf-8\" ?><r><!-- note <x> -->"
                               "<!DOCTYPE r><![CDATA[<raw> & \\]]><empty /></r>");

    TiXmlDeclaration partial("1.0", "", "yes");
    EXPECT_EQ(print(partial), "<?xml version=\"1.0\" standalone=\"yes\" ?>");
    EXPECT_EQ(print(TiXmlDocument()), "");
}

TEST(simpleXmlPrinter, cdataEndMarkerIsSplitAcrossSections) {
    TiXmlElement element("a");
    auto* cdata = new TiXmlText("x]]>y]]]>");
    cdata->SetCDATA(true);
    element.LinkEndChild(cdata);
    const std::string text = print(element);
    EXPECT_EQ(text, "<a><![CDATA[x]]]]><![CDATA[>y]]]]]><![CDATA[>]]></a>");

    // Any parser reads the original text back.
    TiXmlDocument parsed;
    parsed.Parse(text.c_str());
    ASSERT_FALSE(parsed.Error()) << parsed.ErrorDesc();
    std::string content;
    for (const TiXmlNode* node = parsed.RootElement()->FirstChild(); node;
         node = node->NextSibling())
        content += node->ValueStr();
    EXPECT_EQ(content, "x]]>y]]]>");
}

TEST(simpleXmlPrinter, indentation) {
    TiXmlDocument document;
    document.Parse("<a><b>x</b><c/><d><e/></d>t<f k='1'>y</f></a>");
    ASSERT_FALSE(document.Error());
    EXPECT_EQ(print(document, {false, false, true}), "\n<a>"
                                                     "\n  <b>x</b>"
                                                     "\n  <c />"
                                                     "\n  <d>"
                                                     "\n    <e />"
                                                     "\n  </d>t"
                                                     "\n  <f k=\"1\">y</f>"
                                                     "\n</a>");
    EXPECT_EQ(print(*document.RootElement()->FirstChildElement("b"), {false, false, true}),
              "\n<b>x</b>");
}

TEST(simpleXmlPrinter, appendsToTheOutput) {
    TiXmlElement element("a");
    std::string text = "prefix:";
    printXml(element, text, false, false, false);
    printXml(element, text, false, false, false);
    EXPECT_EQ(text, "prefix:<a /><a />");
}

TEST(simpleXmlPrinter, deepTreePrintsWithoutRecursion) {
    constexpr size_t depth = 100000;
    const zt::test::DeepDocument document = zt::test::makeChain(depth, "e", "x");
    std::string expected;
    for (size_t i = 0; i < depth; ++i)
        expected += "<e>";
    expected += 'x';
    for (size_t i = 0; i < depth; ++i)
        expected += "</e>";
    EXPECT_TRUE(print(*document) == expected);
}

} // namespace
