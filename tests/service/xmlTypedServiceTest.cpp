// JSON-RPC typed by the stand-in server's WSDL, end to end through the dispatcher: answers
// carry numbers, booleans, lists and property lists as the WSDL declares them, derived
// types named by xsi:type are typed by their own fields, and array items of a request reach
// the server under the declared item names. Servers listen on 127.0.21.N.
#include "serviceFixture.h"

namespace {

class TypedServiceTest : public ServiceTest {
protected:
    // Starts the server on 127.0.21.inHost and logs in.
    void start(int inHost) {
        itsAddress = "127.0.21." + std::to_string(inHost);
        ztCentralServer::Settings settings;
        settings.itsAddress = ztIPv6(itsAddress.c_str());
        settings.itsPrivateKeyText = ztTestPrivateKeyText;
        settings.itsHandshakeTimeoutMs = 5000;
        itsServer = std::make_unique<ztCentralServer>(std::move(settings));
        ASSERT_EQ(itsServer->start(), ztErr_noError);
        itsManager.setDefaultServer(itsAddress);
        itsSession = login();
        ASSERT_EQ(itsSession.size(), 20u);
    }

    Answer call(const std::string& inMethod, const std::string& inArguments = "") {
        return run(json(inMethod, R"({"session":")" + itsSession + "\"" +
                                      (inArguments.empty() ? "" : "," + inArguments) + "}"));
    }

    // A REST request with a JSON body (or none) on inPath.
    Answer rest(const std::string& inPath, int inMethod,
                std::map<std::string, std::string> inQuery = {}, const std::string& inBody = "") {
        inQuery["session"] = itsSession;
        Answer answer;
        xmlRequestContext context;
        itsManager.doRequest(inBody.c_str(), inMethod, inPath, inQuery, 0, context, answer.text,
                             answer.status, answer.headers);
        return answer;
    }

    std::string itsSession;
};

constexpr int kMethodGet = 3;
constexpr int kMethodPost = 5;

TEST_F(TypedServiceTest, DNSZonesAnswerWithNumbersBooleansAndLists) {
    start(1);
    const Answer zones = call("GetDNSZones");
    ASSERT_EQ(zones.status, 200) << zones.text;
    EXPECT_TRUE(zones.has(R"("totalResults":4)")) << zones.text;
    EXPECT_TRUE(zones.has(R"("result":{"dnsZones":[{"ref":"{#4-#)")) << zones.text;
    EXPECT_TRUE(zones.has(R"("name":"corp.example.")")) << zones.text;
    EXPECT_TRUE(zones.has(R"("dynamic":true)")) << zones.text;
    EXPECT_TRUE(zones.has(R"("customProperties":[{"name":"Owner","value":"Network team"}])"))
        << zones.text;
    EXPECT_FALSE(zones.has(R"(":"1")")) << zones.text;

    const Answer one = call("GetDNSZones", R"("limit":1)");
    ASSERT_EQ(one.status, 200) << one.text;
    EXPECT_TRUE(one.has(R"("dnsZones":[{)")) << "a one-item list stays a list: " << one.text;
    EXPECT_TRUE(one.has(R"("totalResults":4)")) << one.text;

    // The WSDL spells the command's declarations; a client's own spelling finds them too.
    const Answer lower = call("getdnszones", R"("limit":1)");
    ASSERT_EQ(lower.status, 200) << lower.text;
    EXPECT_TRUE(lower.has(R"("totalResults":4)")) << lower.text;

    // Without the conversion the same answer is all text, shaped by element names alone.
    itsManager.setTypedConversion(nullptr);
    const Answer untyped = call("GetDNSZones", R"("limit":1)");
    EXPECT_TRUE(untyped.has(R"("totalResults":"4")")) << untyped.text;
    EXPECT_TRUE(untyped.has(R"("dnsZones":{"dnsZone":{)")) << untyped.text;
}

TEST_F(TypedServiceTest, DerivedTypesAreTypedByTheirExtension) {
    start(2);
    const Answer objects = call("GetObjectsInFolder", R"("folderRef":"{#22-Datacenter}")");
    ASSERT_EQ(objects.status, 200) << objects.text;
    // The zone answers as DNSZoneFolderItem, the server as DNSServerFolderItem: fields that
    // only the derived types declare are typed too.
    EXPECT_TRUE(objects.has(R"("objType":"DNSZone","name":"corp.example.")")) << objects.text;
    EXPECT_TRUE(objects.has(R"("dynamic":true)")) << objects.text;
    EXPECT_TRUE(objects.has(R"("port":1231)")) << objects.text;
    EXPECT_TRUE(objects.has(R"("customProperties":[{"name":"Owner")")) << objects.text;
    EXPECT_TRUE(objects.has(R"("totalResults":3)")) << objects.text;
}

TEST_F(TypedServiceTest, ArrayItemsReachTheServerUnderTheirDeclaredNames) {
    start(3);
    const Answer defined = call("AddPropertyDefinition",
                                R"("objType":"DNSRecord","propertyDefinition":{"name":"Tag"})");
    ASSERT_EQ(defined.status, 200) << defined.text;
    // The list's items arrive named "first" and "second"; only under the declared name
    // "dnsRecord" are their custom properties known to be a property list, and the server
    // refuses them in any other shape.
    const Answer added =
        call("AddDNSRecords",
             R"("dnsRecords":{"first":{"name":"t1","dnsZoneRef":"{#4-corp.example.}","type":"A",)"
             R"("data":"10.0.3.1","customProperties":{"Tag":"blue"}},)"
             R"("second":{"name":"t2","dnsZoneRef":"{#4-corp.example.}","type":"A",)"
             R"("data":"10.0.3.2","customProperties":{"Tag":"green"}}})");
    ASSERT_EQ(added.status, 200) << added.text;
    EXPECT_TRUE(added.has(R"("objRefs":[")")) << added.text;

    const Answer records = call("GetDNSRecords", R"("filter":"data:10.0.3.")");
    ASSERT_EQ(records.status, 200) << records.text;
    EXPECT_TRUE(records.has(R"("totalResults":2)")) << records.text;
    EXPECT_TRUE(records.has(R"({"name":"Tag","value":"blue"})")) << records.text;
    EXPECT_TRUE(records.has(R"({"name":"Tag","value":"green"})")) << records.text;
}

TEST_F(TypedServiceTest, RestAnswersCarryRestReferencesAndPropertyObjects) {
    start(4);
    const Answer zone = rest("DNSZones/~corp.example.", kMethodGet);
    ASSERT_EQ(zone.status, 200) << zone.text;
    EXPECT_TRUE(zone.has(R"("ref":"DNSZones/4")")) << zone.text;
    EXPECT_TRUE(zone.has(R"("dnsServerRef":"DNSServers/1")")) << zone.text;
    EXPECT_TRUE(zone.has(R"("dynamic":true)")) << zone.text;
    EXPECT_TRUE(zone.has(R"("customProperties":{"Owner":"Network team"})")) << zone.text;

    // A REST reference in the path and a collection name as the object type reach the
    // server in its own forms.
    const Answer zones = rest("DNSServers/1/DNSZones", kMethodGet);
    ASSERT_EQ(zones.status, 200) << zones.text;
    EXPECT_TRUE(zones.has(R"("totalResults":3)")) << zones.text;
    const Answer definitions =
        rest("command/GetPropertyDefinitions", kMethodPost, {{"objType", "DNSZones"}});
    ASSERT_EQ(definitions.status, 200) << definitions.text;
    EXPECT_TRUE(definitions.has(R"("propertyDefinitions":[{"name":"Owner")")) << definitions.text;
}

} // namespace
