// JSON to XML and back: the element trees that JSON texts become, the JSON the typed trees
// print as, the nesting bound on hostile input, and the element text helpers.
#include "util/ztXMLUtil.h"

#include "messages/ztException.h"
#include "ztUTF8TestCases.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace ztXMLUtil;

std::string printXml(const TiXmlNode& inNode) {
    TiXmlPrinter printer;
    printer.SetStreamPrinting();
    inNode.Accept(&printer);
    return printer.Str();
}

std::string repeat(std::string_view inText, size_t inCount) {
    std::string result;
    for (size_t i = 0; i < inCount; ++i)
        result += inText;
    return result;
}

class ztXMLUtilJson : public ::testing::Test {
protected:
    // Parses into a fresh "params" element and returns whether it succeeded.
    bool parse(std::string_view inText, bool inArraysAsItems = true) {
        itsParams = TiXmlElement("params");
        return parseJson(inText, &itsParams, inArraysAsItems);
    }

    std::string xml() const { return printXml(itsParams); }

    TiXmlElement itsParams{"params"};
};

TEST_F(ztXMLUtilJson, ReadsObjectsIntoElements) {
    struct Row {
        const char* name;
        std::string json;
        bool arraysAsItems;
        const char* xml;
    };
    const Row rows[] = {
        {"attribute from quoted value", R"({"@id":"7"})", true, R"(<params id="7" />)"},
        {"quoted null is text", R"({"a":"null"})", true, "<params><a>null</a></params>"},
        {"null is an empty element", R"({"a":null})", true, "<params><a /></params>"},
        {"unquoted words keep spelling", R"({"n":-1.5e3,"t":true,"f":false})", true,
         "<params><n>-1.5e3</n><t>true</t><f>false</f></params>"},
        {"nested object", R"({"a":{"b":"x","c":{}}})", true,
         "<params><a><b>x</b><c /></a></params>"},
        {"array of objects as items", R"({"list":[{"x":1},{"x":2}]})", true,
         "<params><list><item><x>1</x></item><item><x>2</x></item></list></params>"},
        {"array as repeated siblings", R"({"list":[{"x":1},{"x":2}]})", false,
         "<params><list><x>1</x></list><list><x>2</x></list></params>"},
        {"nested arrays as items", R"({"m":[[1,2],[]]})", true,
         "<params><m><item><item>1</item><item>2</item></item><item /></m></params>"},
        {"empty array as items", R"({"a":[],"b":1})", true, "<params><a /><b>1</b></params>"},
        {"empty array without items", R"({"a":[],"b":1})", false, "<params><b>1</b></params>"},
        {"empty object", "{}", true, "<params />"},
        {"text and CDATA", R"({"#text":"hi","#cdata":"<b>"})", true,
         "<params>hi<![CDATA[<b>]]></params>"},
        {"single-quoted name", R"({'a':1})", true, "<params><a>1</a></params>"},
        {"commas are optional and may repeat", R"({,"a":1,,"b":[1,,2,],})", true,
         "<params><a>1</a><b><item>1</item><item>2</item></b></params>"},
        {"white space and lines between tokens", "{\n\t\"a\" :\r\n 1 \n}\n", true,
         "<params><a>1</a></params>"},
        {"structural characters inside quotes", R"({"a":"{[:,]}"})", true,
         "<params><a>{[:,]}</a></params>"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_TRUE(parse(row.json, row.arraysAsItems));
        EXPECT_EQ(xml(), row.xml);
    }
}

TEST_F(ztXMLUtilJson, MalformedInputFailsAndLeavesNothing) {
    struct Row {
        const char* name;
        std::string json;
    };
    const Row rows[] = {
        {"empty text", ""},
        {"not an object", "[1]"},
        {"a bare word", "\"a\""},
        {"unquoted attribute value", R"({"@id":7})"},
        {"attribute without a name", R"({"@":"7"})"},
        {"unquoted text", R"({"#text":hi})"},
        {"second object after the first", R"({"a":1}{"b":2})"},
        {"word after the object", R"({"a":1} x)"},
        {"unclosed object", R"({"a":{"b":1})"},
        {"unclosed array", R"({"a":[1,2})"},
        {"array closed by a brace", R"({"a":[1}})"},
        {"unterminated string", R"({"a":"x})"},
        {"missing colon", R"({"a" 1})"},
        {"empty name", R"({"":1})"},
        {"name is not a word", R"({{"a":1}})"},
        {"value missing", R"({"a":})"},
        {"value is a colon", R"({"a"::1})"},
        {"NUL before trailing data", std::string("{\"a\":1}\0{\"b\":2}", 15)},
        {"NUL inside a value", std::string("{\"a\":\"x\0\"}", 10)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_FALSE(parse(row.json));
        EXPECT_EQ(xml(), "<params />");
    }
}

TEST_F(ztXMLUtilJson, FailureRemovesChildrenButKeepsOwnAttributes) {
    itsParams.SetAttribute("keep", "1");
    itsParams.LinkEndChild(new TiXmlElement("old"));
    EXPECT_FALSE(parseJson(R"({"@keep":"2","@extra":"3","a":1)", &itsParams, true));
    EXPECT_EQ(xml(), R"(<params keep="1" />)");
}

TEST_F(ztXMLUtilJson, SuccessAppendsToExistingChildren) {
    itsParams.LinkEndChild(new TiXmlElement("old"));
    EXPECT_TRUE(parseJson(R"({"a":1})", &itsParams, true));
    EXPECT_EQ(xml(), "<params><old /><a>1</a></params>");
}

TEST(ztXMLUtilJsonDocument, AttributesNeedAnElement) {
    TiXmlDocument document;
    EXPECT_TRUE(parseJson(R"({"Envelope":{"a":1}})", &document, true));
    EXPECT_EQ(printXml(document), "<Envelope><a>1</a></Envelope>");
    EXPECT_FALSE(parseJson(R"({"@id":"7"})", &document, true));
    EXPECT_EQ(document.FirstChild(), nullptr);
    EXPECT_FALSE(parseJson("{}", nullptr, true));
}

TEST_F(ztXMLUtilJson, UnescapesQuotedWords) {
    struct Row {
        const char* name;
        std::string json;
        std::string text;
    };
    const Row rows[] = {
        {"quote and backslash", R"({"s":"a\"b\\c"})", "a\"b\\c"},
        {"control escapes", R"({"s":"\b\f\n\r\t"})", "\b\f\n\r\t"},
        {"code point escapes", R"({"s":"\u0041\u00e9\u00FF\u0000"})",
         std::string("A\xC3\xA9\xC3\xBF\0", 6)},
        {"fewer than four hex digits give a plain u", R"({"s":"\u20ac\u00g1"})",
         "\xE2\x82\xAC"
         "u00g1"},
        {"any other character", R"({"s":"\/\q"})", "/q"},
        {"slash u at the end", R"({"s":"\u00"})", "u00"},
        {"line break inside quotes", "{\"s\":\"a\r\nb\"}", "a\nb"},
        {"single quotes unquoted", R"({"s":'x'})", "x"},
        {"unquoted words are not unescaped", R"({"s":a\nb})", "a\\nb"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(parse(row.json));
        std::string text;
        EXPECT_TRUE(getText(itsParams.FirstChildElement("s"), text));
        EXPECT_EQ(text, row.text);
    }
    // Attribute values take the same unescaping.
    ASSERT_TRUE(parse(R"({"@a":"x\ty"})"));
    EXPECT_STREQ(itsParams.Attribute("a"), "x\ty");
}

// "\\uXXXX" is a code point, written into the tree as UTF-8; a surrogate escape only counts
// together with its partner, and alone gives U+FFFD, never malformed UTF-8.
TEST_F(ztXMLUtilJson, UnicodeEscapesBecomeUTF8) {
    const std::string replacement = "\xEF\xBF\xBD";
    struct Row {
        const char* name;
        std::string escapes;
        std::string text;
    };
    const Row rows[] = {
        {"U+007F, the last of one byte", R"(\u007F)", "\x7F"},
        {"U+0080, the first of two bytes", R"(\u0080)", "\xC2\x80"},
        {"U+00E9", R"(\u00e9)", "\xC3\xA9"},
        {"U+07FF, the last of two bytes", R"(\u07ff)", "\xDF\xBF"},
        {"U+0800, the first of three bytes", R"(\u0800)", "\xE0\xA0\x80"},
        {"U+4E2D, either case of hex digits", R"(\u4e2d\u4E2D)", "\xE4\xB8\xAD\xE4\xB8\xAD"},
        {"U+FFFF, the last of three bytes", R"(\uFFFF)", "\xEF\xBF\xBF"},
        {"U+10000, the first surrogate pair", R"(\uD800\uDC00)", "\xF0\x90\x80\x80"},
        {"U+1F600", R"(\ud83d\ude00)", "\xF0\x9F\x98\x80"},
        {"U+10FFFF, the last surrogate pair", R"(\uDBFF\uDFFF)", "\xF4\x8F\xBF\xBF"},
        {"lone high surrogate at the end", R"(a\ud83d)", "a" + replacement},
        {"lone high surrogate before text", R"(\ud83dxyz)", replacement + "xyz"},
        {"lone low surrogate", R"(\ude00a)", replacement + "a"},
        {"pair in the wrong order", R"(\ude00\ud83d)", replacement + replacement},
        {"two high surrogates, then a low one", R"(\ud83d\ud83d\ude00)",
         replacement + "\xF0\x9F\x98\x80"},
        {"high surrogate before another escape", R"(\ud800\u0041)", replacement + "A"},
        {"high surrogate before a short escape", R"(\ud800\n)", replacement + "\n"},
        {"high surrogate before a cut escape", R"(\ud800\udc0)", replacement + "udc0"},
        {"raw UTF-8 beside escapes", "caf\xC3\xA9 \\u4e2d\xE6\x96\x87 \xF0\x9F\x98\x80",
         "caf\xC3\xA9 \xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80"},
        {"malformed bytes are taken as they are", "\xC3(\xFF", "\xC3(\xFF"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(parse(R"({"s":")" + row.escapes + R"(","@a":")" + row.escapes + "\"}"));
        EXPECT_EQ(getTextOr(itsParams.FirstChildElement("s"), "?"), row.text);
        EXPECT_EQ(getAttributeOr(&itsParams, "a", "?"), row.text);
    }
    // Every well-formed character, escaped as JSON writers outside this library escape it.
    for (const auto& row : zt::test::wellFormedCharacters()) {
        SCOPED_TRACE(row.name);
        char escaped[16];
        if (row.codePoint < 0x10000) {
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(row.codePoint));
        } else {
            const unsigned offset = static_cast<unsigned>(row.codePoint) - 0x10000;
            std::snprintf(escaped, sizeof escaped, "\\u%04X\\u%04X", 0xD800 + (offset >> 10),
                          0xDC00 + (offset & 0x3FF));
        }
        ASSERT_TRUE(parse(R"({"s":")" + std::string(escaped) + "\"}"));
        EXPECT_EQ(getTextOr(itsParams.FirstChildElement("s"), "?"), row.bytes);
    }
}

// Objects and arrays nested inDepth deep, the outer object included.
std::string nestedObjects(size_t inDepth) {
    return repeat(R"({"a":)", inDepth - 1) + "{}" + repeat("}", inDepth - 1);
}

std::string nestedArrays(size_t inDepth) {
    return R"({"a":)" + repeat("[", inDepth - 1) + repeat("]", inDepth - 1) + "}";
}

size_t depthOf(const TiXmlNode* inNode) {
    size_t depth = 0;
    for (; inNode; inNode = inNode->FirstChildElement())
        ++depth;
    return depth;
}

TEST_F(ztXMLUtilJson, NestingIsBoundedAt512Levels) {
    ASSERT_EQ(jsonMaxDepth, 512u);
    struct Row {
        const char* name;
        std::string json;
        bool arraysAsItems;
        bool ok;
    };
    const Row rows[] = {
        {"objects at the limit", nestedObjects(512), true, true},
        {"objects past the limit", nestedObjects(513), true, false},
        {"arrays at the limit", nestedArrays(512), true, true},
        {"arrays past the limit", nestedArrays(513), true, false},
        {"sibling arrays at the limit", nestedArrays(512), false, true},
        {"sibling arrays past the limit", nestedArrays(513), false, false},
        {"far past the limit", repeat("{\"a\":[", 200000), true, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(parse(row.json, row.arraysAsItems), row.ok);
        if (!row.ok) {
            EXPECT_EQ(itsParams.FirstChild(), nullptr);
        }
    }
    // Every level of the accepted texts is an element below params.
    ASSERT_TRUE(parse(nestedObjects(512)));
    EXPECT_EQ(depthOf(&itsParams), 512u);
    ASSERT_TRUE(parse(nestedArrays(512)));
    EXPECT_EQ(depthOf(&itsParams), 512u);
}

// Builds elements from a compact description: parseJson, then "type" attributes set by path.
class ztXMLUtilWriteJson : public ::testing::Test {
protected:
    std::string write(int inLevel = -1) {
        std::string output;
        writeJson(&itsRoot, output, inLevel);
        return output;
    }

    TiXmlElement* add(TiXmlNode* ioParent, const char* inName, const char* inType = nullptr,
                      const char* inText = nullptr) {
        auto* element = new TiXmlElement(inName);
        ioParent->LinkEndChild(element);
        if (inType)
            element->SetAttribute("type", inType);
        if (inText)
            element->LinkEndChild(new TiXmlText(inText));
        return element;
    }

    TiXmlElement itsRoot{"root"};
};

TEST_F(ztXMLUtilWriteJson, ShapeOfUntypedElements) {
    add(&itsRoot, "a", nullptr, "1");
    add(&itsRoot, "a", nullptr, "2");
    EXPECT_EQ(write(), R"(["1","2"])");

    itsRoot.Clear();
    add(&itsRoot, "a", nullptr, "1");
    EXPECT_EQ(write(), R"({"a":"1"})");

    // Only the first child's name decides.
    itsRoot.Clear();
    add(&itsRoot, "b", nullptr, "1");
    add(&itsRoot, "a", nullptr, "2");
    add(&itsRoot, "a", nullptr, "3");
    EXPECT_EQ(write(), R"({"b":"1","a":"2","a":"3"})");

    itsRoot.Clear();
    itsRoot.LinkEndChild(new TiXmlText("plain"));
    EXPECT_EQ(write(), R"("plain")");

    itsRoot.Clear();
    EXPECT_EQ(write(), R"("")");
}

TEST_F(ztXMLUtilWriteJson, ScalarsByType) {
    struct Row {
        const char* type;
        const char* text; // null: no text node
        const char* json;
    };
    const Row rows[] = {
        {"boolean", "0", "false"},     {"boolean", "1", "true"},
        {"boolean", nullptr, "false"}, {"boolean", "00", "false"},
        {"boolean", "false", "false"}, {"s:boolean", "F", "false"},
        {"boolean", "true", "true"},   {"int", "42", "42"},
        {"INT", "-7", "-7"},           {"number", "0", "0"},
        {"s:int", "12", "12"},         {"uint", "4294967295", "4294967295"},
        {"s:unsignedInt", "3", "3"},   {"real", "-1.5e-3", "-1.5e-3"},
        {"int", "abc", R"("abc")"},    {"int", "1,\"x\":2", R"("1,\"x\":2")"},
        {"int", "007", R"("007")"},    {"real", "1.", R"("1.")"},
        {"int", nullptr, R"("")"},     {"null", "ignored", "null"},
        {"string", "12", R"("12")"},   {"str", "a\"b", R"("a\"b")"},
        {"s:string", "x", R"("x")"},   {"unknown", "x", R"("x")"},
        {"date", "x", R"("x")"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.type) + " " + (row.text ? row.text : "<none>"));
        itsRoot.Clear();
        add(&itsRoot, "v", row.type, row.text);
        EXPECT_EQ(write(), std::string("{\"v\":") + row.json + "}");
    }
}

TEST_F(ztXMLUtilWriteJson, ContainersByType) {
    TiXmlElement* list = add(&itsRoot, "list", "array");
    add(list, "x", "int", "1");
    add(list, "y", "string", "2");
    TiXmlElement* single = add(&itsRoot, "single", "array");
    add(single, "only", nullptr, "z");
    add(&itsRoot, "none", "array");
    TiXmlElement* object = add(&itsRoot, "object", "struct");
    add(object, "k", nullptr, "v");
    add(object, "k", nullptr, "w");
    add(&itsRoot, "empty", "object");
    EXPECT_EQ(write(),
              R"({"list":[1,"2"],"single":["z"],"none":[],"object":{"k":"v","k":"w"},"empty":{}})");
}

TEST_F(ztXMLUtilWriteJson, IndentsTwoSpacesPerLevel) {
    add(&itsRoot, "jsonrpc", nullptr, "2.0");
    TiXmlElement* result = add(&itsRoot, "result");
    add(result, "session", nullptr, "abc");
    TiXmlElement* list = add(result, "ids", "array");
    add(list, "item", "int", "1");
    add(list, "item", "int", "2");
    add(&itsRoot, "id", "int", "7");

    EXPECT_EQ(write(-1), R"({"jsonrpc":"2.0","result":{"session":"abc","ids":[1,2]},"id":7})");
    EXPECT_EQ(write(0), "{\n"
                        "  \"jsonrpc\": \"2.0\",\n"
                        "  \"result\": {\n"
                        "    \"session\": \"abc\",\n"
                        "    \"ids\": [\n"
                        "      1,\n"
                        "      2\n"
                        "    ]\n"
                        "  },\n"
                        "  \"id\": 7\n"
                        "}");
    std::string nested = "prefix";
    writeJson(list, nested, 2);
    EXPECT_EQ(nested, "prefix[\n      1,\n      2\n    ]");
}

TEST_F(ztXMLUtilWriteJson, RoundTripsStrings) {
    // Escaped characters come back as UTF-8; what is written reads back as it is.
    const std::string json = R"({"s":"a\"b\\c\n\t\u0001\u00e9\u4E2D\ud83d\ude00/","o":{"k":"v"}})";
    const std::string written =
        "{\"s\":\"a\\\"b\\\\c\\n\\t\\u0001\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80/"
        "\",\"o\":{\"k\":\"v\"}}";
    ASSERT_TRUE(parseJson(json, &itsRoot, true));
    EXPECT_EQ(write(), written);
    itsRoot = TiXmlElement("root");
    ASSERT_TRUE(parseJson(written, &itsRoot, true));
    EXPECT_EQ(write(), written);
}

// A chain of inDepth elements below ioRoot; TinyXML's own destructor recurses per level, so
// the chain is taken apart from the bottom by dismantle().
std::vector<TiXmlElement*> buildChain(TiXmlElement& ioRoot, size_t inDepth) {
    std::vector<TiXmlElement*> chain{&ioRoot};
    for (size_t i = 0; i < inDepth; ++i) {
        auto* child = new TiXmlElement("a");
        chain.back()->LinkEndChild(child);
        chain.push_back(child);
    }
    return chain;
}

void dismantle(std::vector<TiXmlElement*>& ioChain) {
    for (size_t i = ioChain.size() - 1; i > 0; --i)
        ioChain[i - 1]->RemoveChild(ioChain[i]);
    ioChain.resize(1);
}

TEST_F(ztXMLUtilWriteJson, DeepTreesDoNotExhaustTheStack) {
    // Deep enough to overflow the stack of a recursive writer, even without sanitizers.
    const size_t depth = 100000;
    std::vector<TiXmlElement*> chain = buildChain(itsRoot, depth);
    EXPECT_EQ(write(), repeat(R"({"a":)", depth) + R"("")" + repeat("}", depth));
    dismantle(chain);
}

TEST_F(ztXMLUtilWriteJson, IndentationStopsGrowingAtLevel512) {
    // Keeps the text of a pathologically deep tree proportional to its size.
    const size_t depth = 2000;
    std::vector<TiXmlElement*> chain = buildChain(itsRoot, depth);
    const std::string indented = write(0);
    EXPECT_NE(indented.find("\n" + std::string(1024, ' ') + "\"a\": {"), std::string::npos);
    EXPECT_EQ(indented.find(std::string(1025, ' ')), std::string::npos);
    EXPECT_LT(indented.size(), 2 * depth * (1024 + 8));
    dismantle(chain);
}

TEST(ztXMLUtilEscape, JsonEscape) {
    struct Row {
        const char* name;
        std::string text;
        const char* escaped;
    };
    const Row rows[] = {
        {"printable ASCII unchanged", "a b/~{}", "a b/~{}"},
        {"empty", "", ""},
        {"unit separator", "\x1F", "\\u001f"},
        {"short escapes", "\"\\\b\t\n\f\r", R"(\"\\\b\t\n\f\r)"},
        {"NUL", std::string(1, '\0'), "\\u0000"},
        {"DEL and malformed UTF-8", "\x7F\x80\xC3\xA9\xFF", "\\u007f\\u0080\xC3\xA9\\u00ff"},
        {"U+FFFE and U+FFFF are characters in JSON", "\xEF\xBF\xBE\xEF\xBF\xBF",
         "\xEF\xBF\xBE\xEF\xBF\xBF"},
        {"escape after plain text", "ab\ncd", "ab\\ncd"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(jsonEscape(row.text), row.escaped);
    }
    for (const auto& row : zt::test::wellFormedCharacters()) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(jsonEscape("\"" + row.bytes + "\n"), "\\\"" + row.bytes + "\\n");
    }
    for (const auto& row : zt::test::malformedBytes()) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(jsonEscape(row.bytes), zt::test::escapeHighBytes(row.bytes, "\\u00%02x"));
    }
}

TEST(ztXMLUtilTypes, AttributeNamesInAnyCase) {
    struct Row {
        const char* name;
        JsonType type;
    };
    const Row rows[] = {
        {"array", jsonArray},        {"boolean", jsonBoolean},    {"int", jsonInt},
        {"null", jsonNull},          {"number", jsonInt},         {"object", jsonObject},
        {"real", jsonReal},          {"s:boolean", jsonBoolean},  {"s:int", jsonInt},
        {"s:string", jsonString},    {"s:unsignedInt", jsonUInt}, {"str", jsonString},
        {"string", jsonString},      {"struct", jsonObject},      {"uint", jsonUInt},
        {"S:UNSIGNEDINT", jsonUInt}, {"Struct", jsonObject},      {"unknown", jsonUnknown},
        {"strin", jsonUnknown},      {"", jsonUnknown},           {"uints", jsonUnknown},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(jsonTypeFromAttribute(row.name), row.type);
    }
    EXPECT_EQ(jsonTypeFromAttribute(nullptr), jsonUnknown);
    EXPECT_STREQ(jsonTypeName(jsonUInt), "uint");
    EXPECT_STREQ(jsonTypeName(99), "unknown");
}

TEST(ztXMLUtilText, ReadAndWriteElementText) {
    TiXmlElement root("root");
    std::string text = "unchanged";
    EXPECT_FALSE(getText(&root, text));
    EXPECT_EQ(text, "unchanged");
    EXPECT_FALSE(getText(nullptr, text));
    EXPECT_EQ(getTextOr(&root, "default"), "default");

    TiXmlElement* name = addTextElement(&root, "name", "first");
    EXPECT_EQ(getTextOr(name, "default"), "first");
    setText(name, "second");
    EXPECT_EQ(printXml(root), "<root><name>second</name></root>");

    // The first child is an element: a text node is appended instead.
    setText(&root, "tail");
    EXPECT_EQ(printXml(root), "<root><name>second</name>tail</root>");
    EXPECT_FALSE(getText(&root, text));
    setText(nullptr, "ignored");
    EXPECT_EQ(addTextElement(nullptr, "x", "y"), nullptr);

    root.SetAttribute("id", "7");
    EXPECT_EQ(getAttributeOr(&root, "id", "none"), "7");
    EXPECT_EQ(getAttributeOr(&root, "ID", "none"), "none");
    EXPECT_EQ(getAttributeOr(nullptr, "id", "none"), "none");
}

TEST(ztXMLUtilText, GetBool) {
    struct Row {
        const char* text; // null: no child
        bool value;
    };
    const Row rows[] = {
        {nullptr, true}, {"1", true},      {"t", true},      {"T", true},
        {"true", true},  {"TRUE", true},   {"0", false},     {"f", false},
        {"F", false},    {"false", false}, {"FaLsE", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text ? row.text : "<none>");
        TiXmlElement flag("flag");
        if (row.text)
            flag.LinkEndChild(new TiXmlText(row.text));
        EXPECT_EQ(getBool(&flag, !row.value), row.value);
    }
    EXPECT_TRUE(getBool(nullptr, true));
    EXPECT_FALSE(getBool(nullptr, false));
}

TEST(ztXMLUtilText, GetBoolRejectsOtherContent) {
    struct Row {
        const char* name;
        std::function<void(TiXmlElement&)> fill;
    };
    const Row rows[] = {
        {"yes", [](TiXmlElement& e) { e.LinkEndChild(new TiXmlText("yes")); }},
        {"empty text", [](TiXmlElement& e) { e.LinkEndChild(new TiXmlText("")); }},
        {"10", [](TiXmlElement& e) { e.LinkEndChild(new TiXmlText("10")); }},
        {"child element", [](TiXmlElement& e) { e.LinkEndChild(new TiXmlElement("b")); }},
        {"text and element",
         [](TiXmlElement& e) {
             e.LinkEndChild(new TiXmlText("1"));
             e.LinkEndChild(new TiXmlElement("b"));
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TiXmlElement flag("flag");
        row.fill(flag);
        try {
            getBool(&flag, true);
            ADD_FAILURE() << "no exception";
        } catch (const ztException& e) {
            EXPECT_EQ(e.getErrorValue(), 2049);
            EXPECT_STREQ(e.what(), "Invalid XML in element <flag>.");
        }
    }
}

TEST(ztXMLUtilPath, FindPath) {
    TiXmlDocument document;
    auto* root = new TiXmlElement("Envelope");
    document.LinkEndChild(root);
    TiXmlElement* body = addTextElement(root, "Body", "");
    TiXmlElement* first = addTextElement(body, "cmd", "1");
    TiXmlElement* second = addTextElement(body, "cmd", "2");
    addTextElement(second, "arg", "x");

    EXPECT_EQ(findPath(root, "Body"), body);
    EXPECT_EQ(findPath(root, "Body/cmd"), first);
    EXPECT_EQ(findPath(root, "Body/cmd/arg"), nullptr); // only the first cmd is followed
    EXPECT_EQ(findPath(root, "body"), nullptr);         // names compare exactly
    const TiXmlNode* constRoot = root;
    EXPECT_EQ(findPath(constRoot, "Body/cmd"), first);

    const char* nullRows[] = {"", "/Body", "Body/", "Body//cmd", "Missing/cmd"};
    for (const char* path : nullRows) {
        SCOPED_TRACE(path);
        EXPECT_EQ(findPath(root, path), nullptr);
    }
    EXPECT_EQ(findPath(&document, "Envelope"), nullptr); // the start must be an element
    EXPECT_EQ(findPath(static_cast<TiXmlNode*>(nullptr), "a"), nullptr);
}

} // namespace

namespace {

// TinyXML finds attributes by C string, so a name with a NUL could never be removed again.
TEST(parseJson, AttributeNameWithNulFailsCleanly) {
    TiXmlElement root("r");
    const std::string text("{\"@a\0b\":\"v\"}", 12);
    EXPECT_FALSE(ztXMLUtil::parseJson(text, &root, false));
    EXPECT_EQ(root.FirstAttribute(), nullptr);
}

} // namespace
