// The WSDL-typed conversion over a small schema: kinds of declarations, the request
// rewrites per dialect (item names, property lists, references, object type names) and the
// answer marks as the JSON writer prints them.
#include "ztxmlint/xmlWSDLConversion.h"

#include "netobjects/ztDynamicNetWriter.h"
#include "netobjects/ztNetReader.h"
#include "util/ztWSDL.h"
#include "util/ztXMLNetWriter.h"
#include "util/ztXMLPrinter.h"
#include "util/ztXMLUtil.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <string>

namespace {

// One command "Put" whose input and output use every shape the conversion knows: simple
// kinds, a property list, references, object type names, a list of structs, a struct that
// answers may extend with xsi:type, a choice, and a type the schema does not declare.
const char* const kSchema =
    "<wsdl:definitions><wsdl:types><s:schema>"
    "<s:simpleType name=\"ObjRef\"><s:restriction base=\"s:string\" /></s:simpleType>"
    "<s:simpleType name=\"ObjectType\"><s:restriction base=\"s:string\" /></s:simpleType>"
    "<s:simpleType name=\"Port\"><s:restriction base=\"s:unsignedInt\" /></s:simpleType>"
    "<s:complexType name=\"Property\"><s:sequence>"
    "<s:element name=\"name\" type=\"s:string\" /><s:element name=\"value\" type=\"s:string\" />"
    "</s:sequence></s:complexType>"
    "<s:complexType name=\"ArrayOfProperty\"><s:sequence>"
    "<s:element name=\"property\" maxOccurs=\"unbounded\" type=\"tns:Property\" />"
    "</s:sequence></s:complexType>"
    "<s:complexType name=\"ArrayOfObjRef\"><s:sequence>"
    "<s:element name=\"ref\" maxOccurs=\"UNBOUNDED\" type=\"tns:ObjRef\" />"
    "</s:sequence></s:complexType>"
    "<s:complexType name=\"Item\"><s:sequence>"
    "<s:element name=\"ref\" type=\"tns:ObjRef\" /><s:element name=\"count\" type=\"s:int\" />"
    "<s:element name=\"objType\" type=\"tns:ObjectType\" />"
    "<s:element name=\"props\" type=\"tns:ArrayOfProperty\" />"
    "</s:sequence></s:complexType>"
    "<s:complexType name=\"ArrayOfItem\"><s:sequence>"
    "<s:element name=\"item\" maxOccurs=\"unbounded\" type=\"tns:Item\" />"
    "</s:sequence></s:complexType>"
    "<s:complexType name=\"Wrapper\"><s:sequence>"
    "<s:element name=\"only\" maxOccurs=\"1\" type=\"s:int\" />"
    "</s:sequence></s:complexType>"
    "<s:complexType name=\"DerivedItem\"><s:complexContent><s:extension base=\"tns:Item\">"
    "<s:sequence><s:element name=\"size\" type=\"tns:Port\" />"
    "<s:element name=\"on\" type=\"s:boolean\" /></s:sequence>"
    "</s:extension></s:complexContent></s:complexType>"
    "<s:element name=\"Put\"><s:complexType><s:sequence>"
    "<s:element name=\"session\" type=\"s:string\" />"
    "<s:element name=\"props\" type=\"tns:ArrayOfProperty\" />"
    "<s:element name=\"refs\" type=\"tns:ArrayOfObjRef\" />"
    "<s:element name=\"ref\" type=\"tns:ObjRef\" />"
    "<s:element name=\"objType\" type=\"tns:ObjectType\" />"
    "<s:element name=\"items\" type=\"tns:ArrayOfItem\" />"
    "<s:element name=\"wrapper\" type=\"tns:Wrapper\" />"
    "<s:choice><s:element name=\"byName\" type=\"s:string\" />"
    "<s:element name=\"byId\" type=\"s:int\" /></s:choice>"
    "</s:sequence></s:complexType></s:element>"
    "<s:element name=\"PutResponse\"><s:complexType><s:sequence>"
    "<s:element name=\"count\" type=\"s:int\" /><s:element name=\"size\" type=\"tns:Port\" />"
    "<s:element name=\"on\" type=\"s:boolean\" /><s:element name=\"when\" type=\"tns:DateTime\" />"
    "<s:element name=\"text\" type=\"s:string\" /><s:element name=\"big\" type=\"s:long\" />"
    "<s:element name=\"odd\" type=\"tns:Undeclared\" />"
    "<s:element name=\"props\" type=\"tns:ArrayOfProperty\" />"
    "<s:element name=\"items\" type=\"tns:ArrayOfItem\" />"
    "<s:element name=\"one\" type=\"tns:Item\" />"
    "<s:element name=\"refs\" type=\"tns:ArrayOfObjRef\" />"
    "<s:element name=\"ref\" type=\"tns:ObjRef\" />"
    "<s:element name=\"objType\" type=\"tns:ObjectType\" />"
    "<s:element name=\"wrapper\" type=\"tns:Wrapper\" />"
    "</s:sequence></s:complexType></s:element>"
    "<s:element name=\"Empty\" />"
    "</s:schema></wsdl:types></wsdl:definitions>";

ztWSDL loadSchema() {
    TiXmlDocument document;
    document.Parse(kSchema);
    EXPECT_FALSE(document.Error()) << document.ErrorDesc();
    ztDynamicNetWriter body(1024);
    {
        ztXMLNetWriter writer(body);
        writer.writeChildren(document);
        writer.finish();
    }
    body.putUInt32(2);
    for (const char* name : {"Put", "Empty"}) {
        body.putString(name);
        body.putString("");
    }
    ztNetReader reader(body.data(), body.count());
    ztWSDL wsdl;
    wsdl.readFrom(reader);
    return wsdl;
}

std::string print(const TiXmlElement& inElement) {
    std::string text;
    printXml(inElement, text, false, false, false);
    return text;
}

// An answer element in the flat tree that answers are typed in.
struct Answer {
    ztXMLFlatTree tree;
    ztXMLFlatTree::Node element = 0;
};

std::string print(const Answer& inAnswer) {
    std::string text;
    printXml(inAnswer.tree, inAnswer.element, text, false, false, false);
    return text;
}

// Stand-ins for the REST reference conversions that show where each one ran.
std::string fakeRestToRef(std::string_view inText) {
    return "ref(" + std::string(inText) + ")";
}
std::string fakeRefToRest(std::string_view inText) {
    return "rest(" + std::string(inText) + ")";
}

class xmlWSDLConversionTest : public ::testing::Test {
protected:
    // The command "Put" made from inParams: JSON (read as JSON-RPC and REST bodies are, with
    // arrays as "item" entries) or XML.
    static TiXmlElement command(const std::string& inParams) {
        TiXmlElement put("Put");
        if (!inParams.empty() && inParams[0] == '{') {
            EXPECT_TRUE(ztXMLUtil::parseJson(inParams, &put, true)) << inParams;
            return put;
        }
        TiXmlDocument document;
        document.Parse(("<Put>" + inParams + "</Put>").c_str());
        EXPECT_FALSE(document.Error()) << inParams;
        return document.RootElement() ? *document.RootElement() : put;
    }

    static Answer answer(const std::string& inChildren) {
        TiXmlDocument document;
        document.Parse(("<PutResponse>" + inChildren + "</PutResponse>").c_str());
        EXPECT_FALSE(document.Error()) << inChildren;
        Answer answered;
        answered.element =
            document.RootElement()
                ? answered.tree.appendCopy(ztXMLFlatTree::document, *document.RootElement())
                : answered.tree.appendChild(ztXMLFlatTree::document, ztXMLFlatTree::Kind::element,
                                            "PutResponse");
        return answered;
    }

    ztWSDL itsWSDL = loadSchema();
    xmlWSDLConversion itsConversion{fakeRestToRef, fakeRefToRest};
};

TEST_F(xmlWSDLConversionTest, KindsOfDeclarations) {
    xmlWSDLConversion::DeclarationMap children;
    const auto kindOf = [&](const TiXmlElement* inDeclaration) {
        return xmlWSDLConversion::getElementType(itsWSDL, inDeclaration, children);
    };
    const auto names = [&] {
        std::string result;
        for (const auto& [name, declaration] : children)
            result += (result.empty() ? "" : " ") + name;
        return result;
    };

    EXPECT_EQ(kindOf(itsWSDL.getInputElement("Put")), ztWSDL::type_struct);
    EXPECT_EQ(names(), "byId byName items objType props ref refs session wrapper");
    EXPECT_EQ(kindOf(children["props"]), ztWSDL::type_array);
    EXPECT_EQ(names(), "property");
    EXPECT_EQ(kindOf(itsWSDL.getInputElement("Put")), ztWSDL::type_struct);
    EXPECT_EQ(kindOf(children["refs"]), ztWSDL::type_array) << "unbounded in any case";
    EXPECT_EQ(kindOf(itsWSDL.getInputElement("Put")), ztWSDL::type_struct);
    EXPECT_EQ(kindOf(children["wrapper"]), ztWSDL::type_struct) << "one child, bounded";
    EXPECT_EQ(names(), "only");
    EXPECT_EQ(kindOf(itsWSDL.getInputElement("Put")), ztWSDL::type_struct);
    EXPECT_EQ(kindOf(children["ref"]), ztWSDL::type_string) << "simple type of the schema";
    EXPECT_TRUE(children.empty());

    EXPECT_EQ(kindOf(itsWSDL.getOutputElement("Put")), ztWSDL::type_struct);
    const xmlWSDLConversion::DeclarationMap output = children;
    EXPECT_EQ(kindOf(output.at("size")), ztWSDL::type_unsignedInt)
        << "restriction of s:unsignedInt";
    EXPECT_EQ(kindOf(output.at("when")), ztWSDL::type_dateTime);
    EXPECT_EQ(kindOf(output.at("big")), ztWSDL::type_unknown) << "outside the simple types";
    EXPECT_EQ(kindOf(output.at("odd")), ztWSDL::type_unknown) << "undeclared type";
    EXPECT_TRUE(children.empty());
    EXPECT_EQ(kindOf(itsWSDL.getInputElement("Empty")), ztWSDL::type_struct);
    EXPECT_TRUE(children.empty());
    EXPECT_EQ(kindOf(nullptr), ztWSDL::type_unknown);
}

TEST_F(xmlWSDLConversionTest, RequestsPerDialect) {
    struct Row {
        const char* name;
        xmlDialect dialect;
        const char* params; // JSON or XML
        const char* expected;
    };
    const Row rows[] = {
        {"property object becomes name/value pairs in member order", xmlDialect_jsonRpc,
         R"({"props":{"Owner":"Net team","VLAN":"10"}})",
         "<Put><props><property><name>Owner</name><value>Net team</value></property>"
         "<property><name>VLAN</name><value>10</value></property></props></Put>"},
        {"property pairs stay pairs, array items renamed", xmlDialect_restJson,
         R"({"props":[{"name":"Owner","value":"x"},{"value":"y"}]})",
         "<Put><props><property><name>Owner</name><value>x</value></property>"
         "<property><value>y</value></property></props></Put>"},
        {"a third child makes the list plain members", xmlDialect_jsonRpc,
         "<props><property><name>a</name><value>1</value><value>2</value></property></props>",
         "<Put><props><property><name>property</name><value></value></property></props></Put>"},
        {"a child of another name makes the list plain members", xmlDialect_jsonRpc,
         "<props><property><name>a</name></property><x>1</x></props>",
         "<Put><props><property><name>property</name><value></value></property>"
         "<property><name>x</name><value>1</value></property></props></Put>"},
        {"escaped member name is the property's name", xmlDialect_jsonRpc,
         R"({"props":{"a\"b":"1"}})",
         "<Put><props><property><name>a&quot;b</name><value>1</value></property></props></Put>"},
        {"REST XML keeps property members", xmlDialect_restXml, "<props><Owner>x</Owner></props>",
         "<Put><props><Owner>x</Owner></props></Put>"},
        {"array items of any name get the item name", xmlDialect_jsonRpc,
         R"({"refs":{"first":"{#4-#1}","second":"{#4-#2}"}})",
         "<Put><refs><ref>{#4-#1}</ref><ref>{#4-#2}</ref></refs></Put>"},
        {"REST XML items keep their names", xmlDialect_restXml, "<refs><r>DNSZones/1</r></refs>",
         "<Put><refs><r>DNSZones/1</r></refs></Put>"},
        {"JSON-RPC references and type names pass unchanged", xmlDialect_jsonRpc,
         R"({"ref":"DNSZones/1","objType":"DNSZones","refs":["DNSZones/2"]})",
         "<Put><ref>DNSZones/1</ref><objType>DNSZones</objType>"
         "<refs><ref>DNSZones/2</ref></refs></Put>"},
        {"REST references and collection names", xmlDialect_restJson,
         R"({"ref":"DNSZones/1","objType":"dnszones","refs":["DNSZones/2"]})",
         "<Put><ref>ref(DNSZones/1)</ref><objType>DNSZone</objType>"
         "<refs><ref>ref(DNSZones/2)</ref></refs></Put>"},
        {"REST XML references too", xmlDialect_restXml,
         "<ref>Ranges/7</ref><objType>Ranges</objType>",
         "<Put><ref>ref(Ranges/7)</ref><objType>Range</objType></Put>"},
        {"no collection name: text kept, empty element untouched", xmlDialect_restJson,
         R"({"objType":"Zones","ref":null})", "<Put><objType>Zones</objType><ref /></Put>"},
        {"nested: items renamed, then their fields converted", xmlDialect_restJson,
         R"({"items":[{"ref":"DNSZones/3","count":"2","props":{"k":"v"}}]})",
         "<Put><items><item><ref>ref(DNSZones/3)</ref><count>2</count><props><property>"
         "<name>k</name><value>v</value></property></props></item></items></Put>"},
        {"choice members and undeclared arguments stay", xmlDialect_jsonRpc,
         R"({"byName":"x","extra":{"a":"1","b":"2"},"wrapper":{"only":"1"}})",
         "<Put><byName>x</byName><extra><a>1</a><b>2</b></extra>"
         "<wrapper><only>1</only></wrapper></Put>"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TiXmlElement put = command(row.params);
        itsConversion.convertRequest(itsWSDL, itsWSDL.getInputElement("Put"), put, row.dialect);
        EXPECT_EQ(print(put), row.expected);
    }
}

TEST_F(xmlWSDLConversionTest, SoapAndMissingDeclarationsPassUntouched) {
    const std::string params = R"({"props":{"a":"1"},"refs":["x"]})";
    TiXmlElement soap = command(params);
    itsConversion.convertRequest(itsWSDL, itsWSDL.getInputElement("Put"), soap, xmlDialect_soap);
    TiXmlElement undeclared = command(params);
    itsConversion.convertRequest(itsWSDL, nullptr, undeclared, xmlDialect_jsonRpc);
    const std::string untouched = "<Put><props><a>1</a></props><refs><item>x</item></refs></Put>";
    EXPECT_EQ(print(soap), untouched);
    EXPECT_EQ(print(undeclared), untouched);

    Answer answered = answer("<count>1</count>");
    itsConversion.convertResponse(itsWSDL, itsWSDL.getOutputElement("Put"), answered.tree,
                                  answered.element, xmlDialect_soap);
    itsConversion.convertResponse(itsWSDL, nullptr, answered.tree, answered.element,
                                  xmlDialect_jsonRpc);
    EXPECT_EQ(print(answered), "<PutResponse><count>1</count></PutResponse>");
}

TEST_F(xmlWSDLConversionTest, AnswersAsJsonPerDialect) {
    struct Row {
        const char* name;
        xmlDialect dialect;
        const char* children;
        const char* json;
    };
    const Row rows[] = {
        {"numbers, booleans, strings", xmlDialect_jsonRpc,
         "<count>-4</count><size>4</size><on>1</on><when>2024-01-02 03:04</when><text>7</text>",
         R"({"count":-4,"size":4,"on":true,"when":"2024-01-02 03:04","text":"7"})"},
        {"false, and an empty number stays a string", xmlDialect_jsonRpc,
         "<on>0</on><count></count>", R"({"on":false,"count":""})"},
        {"undeclared types keep their shape", xmlDialect_jsonRpc,
         "<big>12</big><odd><a>1</a></odd><extra>2</extra>",
         R"({"big":"12","odd":{"a":"1"},"extra":"2"})"},
        {"one-item lists stay lists; empty list and struct", xmlDialect_jsonRpc,
         "<items><item><count>1</count></item></items><refs></refs><wrapper></wrapper>",
         R"({"items":[{"count":1}],"refs":[],"wrapper":{}})"},
        {"JSON-RPC property list is a list of pairs", xmlDialect_jsonRpc,
         "<props><property><name>Owner</name><value>Net</value></property></props>",
         R"({"props":[{"name":"Owner","value":"Net"}]})"},
        {"REST property list is one object", xmlDialect_restJson,
         "<props><property><name>Owner</name><value>Net</value></property>"
         "<property><name>a\"b</name><value /></property>"
         "<property><value>no name</value></property></props>",
         R"({"props":{"Owner":"Net","a\"b":"","property":{"value":"no name"}}})"},
        {"JSON-RPC references and type names unchanged", xmlDialect_jsonRpc,
         "<ref>{#4-#1}</ref><objType>DNSZone</objType><refs><ref>{#4-#2}</ref></refs>",
         R"({"ref":"{#4-#1}","objType":"DNSZone","refs":["{#4-#2}"]})"},
        {"REST references and collection names", xmlDialect_restJson,
         "<ref>{#4-#1}</ref><objType>DNSZone</objType><refs><ref>{#4-#2}</ref></refs>"
         "<one><objType>NoSuchType</objType></one>",
         R"j({"ref":"rest({#4-#1})","objType":"DNSZones","refs":["rest({#4-#2})"],)j"
         R"j("one":{"objType":"NoSuchType"}})j"},
        {"derived type adds its fields", xmlDialect_jsonRpc,
         "<one xsi:type=\"DerivedItem\"><count>3</count><size>9</size><on>0</on></one>"
         "<items><item xsi:type=\"tns:DerivedItem\"><on>1</on></item>"
         "<item xsi:type=\"Nothing\"><on>1</on></item></items>",
         R"({"one":{"count":3,"size":9,"on":false},"items":[{"on":true},{"on":"1"}]})"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Answer answered = answer(row.children);
        itsConversion.convertResponse(itsWSDL, itsWSDL.getOutputElement("Put"), answered.tree,
                                      answered.element, row.dialect);
        std::string json;
        ztXMLUtil::writeJson(answered.tree, answered.element, json, -1);
        EXPECT_EQ(json, row.json);
    }
}

TEST_F(xmlWSDLConversionTest, RestXmlAnswersKeepPairsAndGetReferences) {
    Answer answered = answer("<props><property><name>k</name><value>v</value></property></props>"
                             "<ref>{#6-#2}</ref><objType>Range</objType><on>1</on><when>x</when>");
    itsConversion.convertResponse(itsWSDL, itsWSDL.getOutputElement("Put"), answered.tree,
                                  answered.element, xmlDialect_restXml);
    EXPECT_EQ(print(answered),
              "<PutResponse type=\"object\"><props type=\"array\"><property type=\"object\">"
              "<name>k</name><value>v</value></property></props><ref>rest({#6-#2})</ref>"
              "<objType>Ranges</objType><on type=\"boolean\">1</on><when>x</when></PutResponse>");
}

TEST_F(xmlWSDLConversionTest, WithoutReferenceConversionsReferencesStay) {
    const xmlWSDLConversion plain;
    TiXmlElement put = command(R"({"ref":"DNSZones/1","objType":"DNSZones"})");
    plain.convertRequest(itsWSDL, itsWSDL.getInputElement("Put"), put, xmlDialect_restJson);
    EXPECT_EQ(print(put), "<Put><ref>DNSZones/1</ref><objType>DNSZone</objType></Put>");
    Answer answered = answer("<ref>{#4-#1}</ref>");
    plain.convertResponse(itsWSDL, itsWSDL.getOutputElement("Put"), answered.tree, answered.element,
                          xmlDialect_restJson);
    EXPECT_EQ(print(answered), "<PutResponse type=\"object\"><ref>{#4-#1}</ref></PutResponse>");
}

} // namespace
