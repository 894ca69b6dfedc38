// Flat XML trees: the same nodes as a TinyXML tree built from the same events or copied
// from one, links that stay right through the changes typing makes, and texts that stay
// where they are while the tree grows.
#include "util/ztXMLFlatTree.h"

#include "util/ztXMLFlatWriter.h"
#include "util/ztXMLPrinter.h"
#include "util/ztXMLTestTrees.h"
#include "util/ztXMLTinyWriter.h"
#include "util/ztXMLUtil.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <functional>
#include <string>

namespace {

using Kind = ztXMLFlatTree::Kind;
using Node = ztXMLFlatTree::Node;

std::string print(const ztXMLFlatTree& inTree, Node inNode = ztXMLFlatTree::document) {
    std::string text;
    printXml(inTree, inNode, text, false, false, false);
    return text;
}

std::string print(const TiXmlNode& inNode) {
    std::string text;
    printXml(inNode, text, false, false, false);
    return text;
}

// Event sequences, hostile orders included, fed to both writers.
TEST(ztXMLFlatWriter, buildsWhatTheTinyXMLWriterBuilds) {
    struct Row {
        const char* name;
        std::function<void(ztXMLWriter&)> events;
    };
    const Row rows[] = {
        {"every kind of node",
         [](ztXMLWriter& w) {
             w.declaration(nullptr, nullptr, nullptr);
             w.startElement("a");
             w.attribute("k", "v");
             w.attribute("k", "w");
             w.attribute("j", nullptr);
             w.text("x", false);
             w.comment("c");
             w.startElement("b");
             w.text("<y>]]>", true);
             w.endElement();
             w.unknown("!u");
             w.endElement();
         }},
        {"empty and null texts, nameless attributes, null names",
         [](ztXMLWriter& w) {
             w.startElement(nullptr);
             w.attribute("", "v");
             w.attribute(nullptr, "v");
             w.text("", false);
             w.text(nullptr, true);
             w.endElement();
             w.startElement("e");
             w.endElement();
         }},
        {"document events and attributes outside an element",
         [](ztXMLWriter& w) {
             w.document("d");
             w.attribute("k", "v");
             w.startElement("a");
             w.document("inner");
             w.startElement("b");
             w.endElement();
             w.endElement();
             w.declaration("1.1", "latin1", "yes");
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TiXmlDocument tiny;
        ztXMLTinyWriter tinyWriter(&tiny);
        row.events(tinyWriter);
        ztXMLFlatTree flat;
        ztXMLFlatWriter flatWriter(flat, ztXMLFlatTree::document);
        row.events(flatWriter);
        EXPECT_EQ(print(flat), print(tiny));
    }
}

TEST(ztXMLFlatTree, copiesATinyXMLTreeExactly) {
    TiXmlDocument document;
    document.LinkEndChild(new TiXmlDeclaration("1.0", "utf-8", ""));
    auto* root = new TiXmlElement("root");
    document.LinkEndChild(root);
    root->SetAttribute("a", "1");
    root->SetAttribute("b", "<2>");
    ztXMLUtil::addTextElement(root, "empty", ""); // an empty text prints as a pair of tags
    root->LinkEndChild(new TiXmlComment("note"));
    auto* cdata = new TiXmlText("raw");
    cdata->SetCDATA(true);
    root->LinkEndChild(new TiXmlElement("c"))->LinkEndChild(cdata);
    root->LinkEndChild(new TiXmlElement("last"));

    ztXMLFlatTree tree;
    const Node copy = tree.appendCopy(ztXMLFlatTree::document, *root);
    EXPECT_EQ(tree.value(copy), "root");
    EXPECT_EQ(print(tree, copy), print(*root));
    EXPECT_EQ(print(tree, copy), "<root a=\"1\" b=\"&lt;2&gt;\"><empty></empty><!--note-->"
                                 "<c><![CDATA[raw]]></c><last /></root>");

    ztXMLFlatTree whole;
    EXPECT_EQ(whole.appendCopy(ztXMLFlatTree::document, document), ztXMLFlatTree::document);
    EXPECT_EQ(print(whole), print(document));
}

TEST(ztXMLFlatTree, deepTreesCopyAndWriteWithoutRecursion) {
    constexpr size_t depth = 100000;
    const zt::test::DeepDocument document = zt::test::makeChain(depth, "e", "x");
    ztXMLFlatTree tree;
    tree.appendCopy(ztXMLFlatTree::document, *document);
    EXPECT_EQ(tree.nodeCount(), depth + 2);
    TiXmlDocument back;
    ztXMLTinyWriter writer(&back);
    tree.write(ztXMLFlatTree::document, writer);
    EXPECT_TRUE(print(back) == print(tree));
    zt::test::dismantle(back);
}

TEST(ztXMLFlatTree, changesKeepTheLinksRight) {
    ztXMLFlatTree tree;
    const Node list = tree.appendChild(ztXMLFlatTree::document, Kind::element, "list");
    const Node first = tree.addTextElement(list, "item", "1");
    tree.addTextElement(list, "item", "2");
    tree.addTextElement(list, "item", "3");

    tree.removeChildrenAfter(list, first);
    tree.addTextElement(list, "item", "4");
    EXPECT_EQ(print(tree, list), "<list><item>1</item><item>4</item></list>");

    tree.prependChild(list, Kind::element, "head");
    tree.clearChildren(first);
    tree.setText(first, "one");
    tree.setText(first, "uno"); // replaces the first text
    EXPECT_EQ(print(tree, list), "<list><head /><item>uno</item><item>4</item></list>");

    tree.clearChildren(list);
    EXPECT_TRUE(tree.noChildren(list));
    tree.prependChild(list, Kind::element, "only");
    tree.appendChild(list, Kind::element, "after");
    EXPECT_EQ(print(tree, list), "<list><only /><after /></list>");
}

TEST(ztXMLFlatTree, attributesAreReplacedInPlace) {
    ztXMLFlatTree tree;
    const Node e = tree.appendChild(ztXMLFlatTree::document, Kind::element, "e");
    EXPECT_EQ(tree.attribute(e, "type"), nullptr);
    tree.setAttribute(e, "a", "1");
    tree.setAttribute(e, "type", "int");
    tree.setAttribute(e, "a", "2");
    EXPECT_STREQ(tree.attribute(e, "a"), "2");
    EXPECT_STREQ(tree.attribute(e, "type"), "int");
    EXPECT_EQ(print(tree), "<e a=\"2\" type=\"int\" />");
}

TEST(ztXMLFlatTree, storedTextsStayWhileTheTreeGrows) {
    ztXMLFlatTree tree;
    const Node first = tree.addTextElement(ztXMLFlatTree::document, "first", "kept text");
    const std::string_view kept = tree.textOf(first);
    const std::string_view name = tree.value(first);
    const std::string filler(1000, 'f');
    for (int i = 0; i < 5000; ++i)
        tree.addTextElement(ztXMLFlatTree::document, "n", filler);
    EXPECT_EQ(kept, "kept text");
    EXPECT_EQ(name, "first");
    EXPECT_EQ(kept.data()[kept.size()], '\0');
    EXPECT_GT(tree.memoryUsed(), 5000u * 1000u);
}

TEST(ztXMLFlatTree, jsonOfACopyIsTheJsonOfTheOriginal) {
    TiXmlDocument document;
    document.Parse("<r><a>1</a><a>2</a><b type=\"int\">3</b><c><d>x</d></c><e /></r>");
    ASSERT_FALSE(document.Error());
    std::string fromTiny;
    ztXMLUtil::writeJson(document.RootElement(), fromTiny, -1);
    ztXMLFlatTree tree;
    const Node root = tree.appendCopy(ztXMLFlatTree::document, *document.RootElement());
    std::string fromFlat;
    ztXMLUtil::writeJson(tree, root, fromFlat, -1);
    EXPECT_EQ(fromFlat, fromTiny);
    // The first child repeats, so by shape the element is an array.
    EXPECT_EQ(fromFlat, R"(["1","2",3,{"d":"x"},""])");
}

} // namespace
