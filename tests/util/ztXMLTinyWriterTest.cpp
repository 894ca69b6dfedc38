// Building TinyXML trees from events, including events a hostile stream could send in an
// order no tree walk produces.
#include "util/ztXMLTinyWriter.h"

#include "util/ztXMLPrinter.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string print(const TiXmlNode& inNode) {
    std::string text;
    printXml(inNode, text, false, false, false);
    return text;
}

TEST(ztXMLTinyWriter, buildsTheTreeOfTheEvents) {
    TiXmlDocument document;
    ztXMLTinyWriter writer(&document);
    writer.declaration(nullptr, nullptr, nullptr);
    writer.startElement("a");
    writer.attribute("k", "v");
    writer.attribute("k", "w"); // a repeated name replaces the value
    writer.text("x", false);
    writer.comment("c");
    writer.startElement("b");
    writer.text("<y>", true);
    writer.endElement();
    writer.unknown("!u");
    writer.startElement("empty");
    writer.text("", false); // adds no text node
    writer.text(nullptr, false);
    writer.endElement();
    writer.endElement();
    writer.finish();
    EXPECT_EQ(print(document), "<?xml version=\"1.0\" encoding=\"utf-8\" ?><a k=\"w\">x<!--c-->"
                               "<b><![CDATA[<y>]]></b><!u><empty /></a>");
    EXPECT_EQ(writer.currentNode(), &document);
}

TEST(ztXMLTinyWriter, declarationKeepsGivenEmptyParts) {
    TiXmlDocument document;
    ztXMLTinyWriter writer(&document);
    writer.declaration("", "", "yes");
    EXPECT_EQ(print(document), "<?xml standalone=\"yes\" ?>");
}

TEST(ztXMLTinyWriter, eventsThatFitNoTreeAreHarmless) {
    TiXmlDocument document;
    ztXMLTinyWriter writer(&document);
    writer.attribute("k", "v"); // the current node is not an element
    writer.document("nested");  // TinyXML cannot hold a nested document
    writer.startElement("a");
    writer.attribute("", "1"); // TinyXML aborts on a second attribute beside a nameless one
    writer.attribute(nullptr, "2");
    writer.attribute("b", "3");
    writer.endElement();
    EXPECT_FALSE(document.Error());
    EXPECT_EQ(print(document), "<a b=\"3\" />");

    writer.endElement(); // climbs above the document: nothing is current any more
    EXPECT_EQ(writer.currentNode(), nullptr);
    writer.startElement("lost");
    writer.text("lost", false);
    writer.endElement();
    EXPECT_EQ(print(document), "<a b=\"3\" />");
}

TEST(ztXMLTinyWriter, appendsBelowTheNodeItWasPlacedOn) {
    TiXmlDocument document;
    document.Parse("<Envelope><Body/></Envelope>");
    ASSERT_FALSE(document.Error());
    ztXMLTinyWriter writer(document.RootElement()->FirstChildElement("Body"));
    writer.startElement("result");
    writer.text("1", false);
    writer.endElement();
    EXPECT_EQ(print(document), "<Envelope><Body><result>1</result></Body></Envelope>");
}

TEST(ztXMLTinyWriter, withoutANodeEveryEventIsIgnored) {
    ztXMLTinyWriter writer(nullptr);
    writer.declaration("1.0", nullptr, nullptr);
    writer.startElement("a");
    writer.attribute("k", "v");
    writer.text("x", false);
    writer.comment("c");
    writer.unknown("u");
    writer.endElement();
    EXPECT_EQ(writer.currentNode(), nullptr);
}

} // namespace
