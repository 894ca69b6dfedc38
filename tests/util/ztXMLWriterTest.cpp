// The tree walk and the net-form replay shared by all writers, and the round trip from a
// tree through the net form back into a tree.
#include "util/ztXMLWriter.h"

#include "messages/ztException.h"
#include "messages/ztMessageTexts.h"
#include "netobjects/ztDynamicNetWriter.h"
#include "netobjects/ztNetReader.h"
#include "util/ztXMLNetWriter.h"
#include "util/ztXMLPrinter.h"
#include "util/ztXMLTestTrees.h"
#include "util/ztXMLTinyWriter.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using zt::test::DeepDocument;

// Records every event as a short line.
class RecordingWriter : public ztXMLWriter {
public:
    void declaration(const char* inVersion, const char* inEncoding,
                     const char* inStandalone) override {
        add(std::string("decl ") + orNull(inVersion) + "," + orNull(inEncoding) + "," +
            orNull(inStandalone));
    }
    void finish() override { add("finish"); }
    void startElement(const char* inName) override { add(std::string("start ") + inName); }
    void endElement() override { add("end"); }
    void text(const char* inText, bool inIsCData) override {
        add(std::string(inIsCData ? "cdata " : "text ") + inText);
    }
    void attribute(const char* inName, const char* inValue) override {
        add(std::string("attr ") + inName + "=" + inValue);
    }
    void comment(const char* inText) override { add(std::string("comment ") + inText); }
    void document(const char* inValue) override { add(std::string("document ") + inValue); }
    void unknown(const char* inText) override { add(std::string("unknown ") + inText); }

    std::vector<std::string> events;

private:
    static const char* orNull(const char* inText) { return inText ? inText : "(null)"; }
    void add(std::string inEvent) { events.push_back(std::move(inEvent)); }
};

// Counts events only, for trees too large to record.
class CountingWriter : public ztXMLWriter {
public:
    void declaration(const char*, const char*, const char*) override { ++count; }
    void finish() override { ++count; }
    void startElement(const char*) override {
        ++count;
        ++depth;
        maxDepth = std::max(maxDepth, depth);
    }
    void endElement() override {
        ++count;
        --depth;
    }
    void text(const char*, bool) override { ++count; }
    void attribute(const char*, const char*) override { ++count; }
    void comment(const char*) override { ++count; }
    void document(const char*) override { ++count; }
    void unknown(const char*) override { ++count; }

    size_t count = 0;
    size_t depth = 0;
    size_t maxDepth = 0;
};

std::vector<std::string> replayed(const Bytes& inBytes) {
    ztNetReader reader(inBytes.data(), inBytes.size());
    RecordingWriter writer;
    writer.replay(reader);
    return writer.events;
}

Bytes nestedStream(size_t inDepth) {
    Bytes bytes;
    for (size_t i = 0; i < inDepth; ++i)
        bytes.insert(bytes.end(), {4, 'e', 0});
    bytes.insert(bytes.end(), inDepth, 5);
    bytes.push_back(0);
    return bytes;
}

TEST(ztXMLWriter, writeNodeEmitsTheSubtreeInDocumentOrder) {
    TiXmlDocument document;
    document.Parse("<?xml version=\"1.0\" encoding=\"utf-8\"?><!--c--><a x=\"1\" y=\"2\">t<b/>"
                   "<![CDATA[d]]></a>");
    ASSERT_FALSE(document.Error()) << document.ErrorDesc();
    auto* unknown = new TiXmlUnknown;
    unknown->SetValue("!u");
    document.LinkEndChild(unknown);

    RecordingWriter children;
    children.writeChildren(document);
    const std::vector<std::string> expected = {
        "decl 1.0,utf-8,", "comment c", "start a", "attr x=1", "attr y=2",   "text t",
        "start b",         "end",       "cdata d", "end",      "unknown !u",
    };
    EXPECT_EQ(children.events, expected);

    RecordingWriter whole;
    whole.writeNode(document);
    ASSERT_FALSE(whole.events.empty());
    EXPECT_EQ(whole.events.front(), "document ");
    EXPECT_EQ(std::vector<std::string>(whole.events.begin() + 1, whole.events.end()), expected);

    RecordingWriter element;
    element.writeNode(*document.RootElement()->FirstChildElement("b"));
    EXPECT_EQ(element.events, (std::vector<std::string>{"start b", "end"}));
}

TEST(ztXMLWriter, writeNodeWalksDeepTreesWithoutRecursion) {
    constexpr size_t depth = 100000;
    const DeepDocument document = zt::test::makeChain(depth, "e", "x");
    CountingWriter writer;
    writer.writeChildren(*document);
    EXPECT_EQ(writer.count, 2 * depth + 1);
    EXPECT_EQ(writer.maxDepth, depth);
    EXPECT_EQ(writer.depth, 0u);
}

TEST(ztXMLWriter, replayStopsAfterTheEndTag) {
    const Bytes bytes = {4, 'a', 0, 6, 'k', 0, 'v', 0, 7, 1, 'c', 0, 5, 0, 0xAA, 0xBB};
    ztNetReader reader(bytes.data(), bytes.size());
    RecordingWriter writer;
    writer.replay(reader);
    EXPECT_EQ(writer.events, (std::vector<std::string>{"start a", "attr k=v", "cdata c", "end"}));
    // The bytes behind the XML belong to the enclosing object (an XMLCommand's flags).
    EXPECT_EQ(reader.count(), 14u);
    EXPECT_EQ(reader.getUInt16(), 0xAABB);
}

TEST(ztXMLWriter, replaySkipsUnknownTagBytes) {
    EXPECT_EQ(replayed({9, 4, 'a', 0, 0xFF, 200, 5, 9, 0}),
              (std::vector<std::string>{"start a", "end"}));
    // Every record kind, with a text flag other than 0 or 1 read as set.
    EXPECT_EQ(
        replayed({1, 'd', 0, 2, 'v', 0, 'e', 0, 0, 3, 'c', 0, 8, 'u', 0, 7, 2, 't', 0, 0}),
        (std::vector<std::string>{"document d", "decl v,e,", "comment c", "unknown u", "cdata t"}));
}

TEST(ztXMLWriter, replayRefusesMalformedStreams) {
    struct Row {
        const char* name;
        Bytes bytes;
        const char* outOfRangeText; // null: a ztException with ztErr_unexpectedData
    };
    Bytes tooDeep = nestedStream(ztXMLWriter::maxReplayDepth + 1);
    const Row rows[] = {
        {"empty input", {}, "ztNetReader::getData"},
        {"no end tag", {4, 'a', 0, 5}, "ztNetReader::getData"},
        {"string cut", {4, 'a'}, "ztNetReader::getConstString"},
        {"second attribute string missing", {4, 'a', 0, 6, 'k', 0}, "ztNetReader::getConstString"},
        {"text flag missing", {7}, "ztNetReader::getData"},
        {"declaration cut", {2, '1', 0, 0}, "ztNetReader::getConstString"},
        {"end element with nothing open", {5, 0}, nullptr},
        {"end element after a balanced tree", {4, 'a', 0, 5, 5, 0}, nullptr},
        {"nesting one level too deep", tooDeep, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ztNetReader reader(row.bytes.data(), row.bytes.size());
        RecordingWriter writer;
        try {
            writer.replay(reader);
            ADD_FAILURE() << "no exception";
        } catch (const std::out_of_range& ex) {
            ASSERT_NE(row.outOfRangeText, nullptr) << ex.what();
            EXPECT_STREQ(ex.what(), row.outOfRangeText);
            EXPECT_FALSE(reader.good());
        } catch (const ztException& ex) {
            ASSERT_EQ(row.outOfRangeText, nullptr) << ex.what();
            EXPECT_EQ(ex.getErrorValue(), ztErr_unexpectedData);
            EXPECT_STREQ(ex.what(), ztText::unexpectedData);
        }
    }
}

TEST(ztXMLWriter, replayAcceptsTheDeepestAllowedNesting) {
    CountingWriter writer;
    const Bytes bytes = nestedStream(ztXMLWriter::maxReplayDepth);
    ztNetReader reader(bytes.data(), bytes.size());
    writer.replay(reader);
    EXPECT_EQ(writer.maxDepth, ztXMLWriter::maxReplayDepth);
    EXPECT_EQ(reader.count(), reader.size());
}

TEST(ztXMLWriter, replayCannotLeaveTheTargetElement) {
    TiXmlDocument document;
    document.Parse("<Envelope><Body/></Envelope>");
    ASSERT_FALSE(document.Error());
    ztXMLTinyWriter writer(document.RootElement()->FirstChildElement("Body"));
    const Bytes bytes = {4, 'r', 0, 5, 5, 4, 'x', 0, 5, 0};
    ztNetReader reader(bytes.data(), bytes.size());
    EXPECT_THROW(writer.replay(reader), ztException);
    std::string text;
    printXml(document, text, false, false, false);
    EXPECT_EQ(text, "<Envelope><Body><r /></Body></Envelope>");
}

// Writes an unknown tag byte before each element's start and end, as a newer peer might.
class NoisyNetWriter : public ztXMLNetWriter {
public:
    explicit NoisyNetWriter(ztNetWriter& ioWriter) : ztXMLNetWriter(ioWriter), itsBytes(ioWriter) {}
    void startElement(const char* inName) override {
        itsBytes.putUInt8(9);
        itsBytes.putUInt8(0xFF);
        ztXMLNetWriter::startElement(inName);
    }
    void endElement() override {
        itsBytes.putUInt8(0x80);
        ztXMLNetWriter::endElement();
    }

private:
    ztNetWriter& itsBytes;
};

DeepDocument parsed(const char* inText) {
    DeepDocument document(new TiXmlDocument);
    document->Parse(inText);
    EXPECT_FALSE(document->Error()) << inText << ": " << document->ErrorDesc();
    return document;
}

TEST(ztXMLWriter, roundTripThroughTheNetForm) {
    struct Row {
        const char* name;
        std::function<DeepDocument()> build;
        bool noisy = false;
        bool replayFails = false;
    };
    const Row rows[] = {
        {"attributes", [] { return parsed("<a x=\"1\" y='&lt;two&gt;' z=\"\"><b k=\"v\"/></a>"); }},
        {"text and mixed content", [] { return parsed("<a>one<b>two</b>three<c/>four</a>"); }},
        {"empty elements", [] { return parsed("<a><b/><c></c><d><e/></d></a>"); }},
        {"declaration, comment, CDATA",
         [] {
             return parsed("<?xml version=\"1.0\" encoding=\"utf-8\"?><!-- note --><a>"
                           "<![CDATA[<raw> & ]]></a>");
         }},
        {"declaration with empty parts",
         [] {
             DeepDocument document(new TiXmlDocument);
             document->LinkEndChild(new TiXmlDeclaration("1.0", "", ""));
             document->LinkEndChild(new TiXmlElement("a"));
             return document;
         }},
        {"non-ASCII and control bytes",
         [] {
             return parsed("<caf\xC3\xA9 n=\"\xE2\x82\xAC\">\xC3\xA9t\xC3\xA9 \\ &#x1; &#x7F;"
                           "</caf\xC3\xA9>");
         }},
        {"unknown node",
         [] {
             DeepDocument document = parsed("<a/>");
             auto* unknown = new TiXmlUnknown;
             unknown->SetValue("!DOCTYPE a");
             document->InsertBeforeChild(document->RootElement(), *unknown);
             delete unknown;
             return document;
         }},
        {"unknown tag bytes are skipped", [] { return parsed("<a x=\"1\"><b>t</b><c/></a>"); },
         true},
        {"512 levels", [] { return zt::test::makeChain(512, "e", "deep"); }},
        {"513 levels", [] { return zt::test::makeChain(513, "e", "deep"); }, false, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const DeepDocument source = row.build();
        ztDynamicNetWriter buffer(10240);
        {
            std::unique_ptr<ztXMLNetWriter> netWriter =
                row.noisy ? std::make_unique<NoisyNetWriter>(buffer)
                          : std::make_unique<ztXMLNetWriter>(buffer);
            netWriter->writeChildren(*source);
            netWriter->finish();
        }
        const DeepDocument target(new TiXmlDocument);
        ztXMLTinyWriter tinyWriter(target.get());
        ztNetReader reader(buffer.data(), buffer.count());
        if (row.replayFails) {
            EXPECT_THROW(tinyWriter.replay(reader), ztException);
            continue;
        }
        tinyWriter.replay(reader);
        EXPECT_EQ(reader.count(), reader.size());
        for (const bool option : {false, true}) {
            std::string expected;
            std::string actual;
            printXml(*source, expected, option, false, option);
            printXml(*target, actual, option, false, option);
            EXPECT_EQ(actual, expected);
        }
    }
}

} // namespace
