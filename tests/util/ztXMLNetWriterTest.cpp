// The XML net form byte for byte, and the end tag that closes every stream once.
#include "util/ztXMLNetWriter.h"

#include "netobjects/ztDynamicNetWriter.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes bytesOf(const ztNetWriter& inWriter) {
    return Bytes(inWriter.data(), inWriter.data() + inWriter.count());
}

// Spells a record: single characters as bytes, "\0" for the NULs.
Bytes record(std::initializer_list<int> inBytes) {
    return Bytes(inBytes.begin(), inBytes.end());
}

TEST(ztXMLNetWriter, eachEventIsOneRecord) {
    struct Row {
        const char* name;
        std::function<void(ztXMLWriter&)> write;
        Bytes expected;
    };
    const Row rows[] = {
        {"end of stream", [](ztXMLWriter& w) { w.finish(); }, record({0})},
        {"document", [](ztXMLWriter& w) { w.document("d"); }, record({1, 'd', 0})},
        {"declaration", [](ztXMLWriter& w) { w.declaration("1.0", "utf-8", "no"); },
         record({2, '1', '.', '0', 0, 'u', 't', 'f', '-', '8', 0, 'n', 'o', 0})},
        {"declaration with missing parts",
         [](ztXMLWriter& w) { w.declaration("1.0", nullptr, nullptr); },
         record({2, '1', '.', '0', 0, 0, 0})},
        {"comment", [](ztXMLWriter& w) { w.comment("c"); }, record({3, 'c', 0})},
        {"start of element", [](ztXMLWriter& w) { w.startElement("ab"); },
         record({4, 'a', 'b', 0})},
        {"end of element", [](ztXMLWriter& w) { w.endElement(); }, record({5})},
        {"attribute", [](ztXMLWriter& w) { w.attribute("k", "v"); }, record({6, 'k', 0, 'v', 0})},
        {"attribute with empty value", [](ztXMLWriter& w) { w.attribute("k", ""); },
         record({6, 'k', 0, 0})},
        {"text", [](ztXMLWriter& w) { w.text("x", false); }, record({7, 0, 'x', 0})},
        {"CDATA text", [](ztXMLWriter& w) { w.text("x", true); }, record({7, 1, 'x', 0})},
        {"empty text", [](ztXMLWriter& w) { w.text("", false); }, record({7, 0, 0})},
        {"unknown", [](ztXMLWriter& w) { w.unknown("!u"); }, record({8, '!', 'u', 0})},
        {"non-ASCII bytes pass unchanged", [](ztXMLWriter& w) { w.text("\xC3\xA9", false); },
         record({7, 0, 0xC3, 0xA9, 0})},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ztDynamicNetWriter buffer(64);
        ztXMLNetWriter writer(buffer);
        row.write(writer);
        EXPECT_EQ(bytesOf(buffer), row.expected);
    }
}

TEST(ztXMLNetWriter, writesATreeAsTheRequestObjectsDo) {
    TiXmlDocument document;
    document.Parse("<?xml version=\"1.0\"?><a k=\"v\">x<b/></a>");
    ASSERT_FALSE(document.Error());
    ztDynamicNetWriter buffer(64);
    ztXMLNetWriter writer(buffer);
    writer.writeChildren(document);
    writer.finish();
    EXPECT_EQ(bytesOf(buffer), record({2, '1', '.', '0', 0, 0, 0, // declaration
                                       4, 'a', 0,                 // <a
                                       6, 'k', 0,   'v', 0,       // k="v"
                                       7, 0,   'x', 0,            // x
                                       4, 'b', 0,   5,            // <b/>
                                       5,                         // </a>
                                       0}));
}

TEST(ztXMLNetWriter, finishWritesTheEndTagOnce) {
    ztDynamicNetWriter buffer(16);
    {
        ztXMLNetWriter writer(buffer);
        writer.startElement("a");
        writer.finish();
        writer.finish();
        writer.endElement(); // ignored once finished
        writer.text("late", false);
        EXPECT_TRUE(writer.isFinished());
    }
    EXPECT_EQ(bytesOf(buffer), record({4, 'a', 0, 0}));

    buffer.reset();
    {
        ztXMLNetWriter writer(buffer);
        writer.startElement("a");
        writer.endElement();
    } // the destructor finishes an unfinished stream
    EXPECT_EQ(bytesOf(buffer), record({4, 'a', 0, 5, 0}));
}

TEST(ztXMLNetWriter, fullFixedBufferThrowsWhileWritingButNotOnDestruction) {
    std::array<uint8_t, 3> storage{};
    ztNetWriter buffer(storage.data(), storage.size());
    {
        ztXMLNetWriter writer(buffer);
        writer.startElement("a");
        EXPECT_THROW(writer.endElement(), std::out_of_range);
    } // no room for the end tag: the destructor swallows the failure
    EXPECT_FALSE(buffer.good());
    EXPECT_EQ(bytesOf(buffer), record({4, 'a', 0}));
}

} // namespace
