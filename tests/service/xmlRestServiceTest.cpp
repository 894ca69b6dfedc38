// REST end to end: paths and methods through the dispatcher's route look-up to the stand-in
// central server and back, with the statuses REST clients rely on. The servers listen on
// 127.0.20.N.
#include "serviceFixture.h"

#include <tinyxml.h>

#include <regex>
#include <utility>
#include <vector>

namespace {

constexpr int kGet = 3;
constexpr int kPost = 5;
constexpr int kPut = 6;
constexpr int kDelete = 7;

class RestServiceTest : public ServiceTest {
protected:
    // The values travel untyped, as the server writes them, so that what is seen here is
    // the route mapping alone; the typed conversion is kept for the test that wants it.
    RestServiceTest() {
        itsNetwork = "127.0.20.";
        itsTyped = itsManager.getTypedConversion();
        itsManager.setTypedConversion(nullptr);
    }

    void startAndLogIn(int inHost) {
        startServer(inHost);
        itsSession = login();
        ASSERT_EQ(itsSession.size(), 20u);
    }

    Answer rest(int inMethod, const std::string& inPath, const std::string& inBody = {},
                std::map<std::string, std::string> inQuery = {}, int inXmlWanted = 0) {
        if (!itsSession.empty())
            inQuery.emplace("session", itsSession);
        Answer answer;
        xmlRequestContext context;
        itsManager.doRequest(inBody.c_str(), inMethod, inPath, inQuery, inXmlWanted, context,
                             answer.text, answer.status, answer.headers);
        return answer;
    }

    std::string itsSession;
    std::shared_ptr<const xmlTypedConversion> itsTyped;
};

TEST_F(RestServiceTest, ZonesAndRecordsThroughEveryMethod) {
    startAndLogIn(1);
    const Answer zones = rest(kGet, "DNSZones");
    EXPECT_EQ(zones.status, 200) << zones.text;
    EXPECT_TRUE(zones.has("corp.example.")) << zones.text;

    const Answer added = rest(kPost, "DNSZones",
                              R"({"dnsZone":{"name":"rest.example.",)"
                              R"("dnsServerRef":"{#2-ns1.corp.example.}"}})");
    EXPECT_EQ(added.status, 201) << added.text;
    EXPECT_TRUE(added.has(R"({"result":{"ref":")")) << added.text;

    const Answer zone = rest(kGet, "dnszones/rest.example.");
    EXPECT_EQ(zone.status, 200) << zone.text;
    EXPECT_TRUE(zone.has("rest.example.")) << zone.text;
    EXPECT_TRUE(zone.has("ns1.corp.example.")) << zone.text;

    const Answer changed = rest(kPut, "DNSZones/DNSZones/rest.example.",
                                R"({"properties":{"property":{"name":"dynamic","value":"1"}}})");
    EXPECT_EQ(changed.status, 204) << changed.text;
    EXPECT_EQ(changed.text, "");
    EXPECT_TRUE(rest(kGet, "DNSZones/rest.example.").has(R"("dynamic":"1")"));

    // The route's defaults fill the record unless the body gives its own.
    const Answer record =
        rest(kPost, "DNSZones/rest.example./DNSRecords",
             R"({"dnsRecord":{"name":"www","type":"A","data":"10.9.9.9","enabled":"0"}})");
    EXPECT_EQ(record.status, 201) << record.text;
    const Answer records = rest(kGet, "DNSZones/rest.example./DNSRecords");
    EXPECT_EQ(records.status, 200) << records.text;
    EXPECT_TRUE(records.has("10.9.9.9")) << records.text;
    EXPECT_TRUE(records.has(R"("enabled":"0")")) << records.text;

    // A query parameter wins over the path's argument of the same name, in any case.
    const Answer byQuery =
        rest(kGet, "DNSZones/rest.example.", {}, {{"DNSZONEREF", "{#4-corp.example.}"}});
    EXPECT_TRUE(byQuery.has(R"("name":"corp.example.")")) << byQuery.text;

    const Answer removed = rest(kDelete, "DNSZones/rest.example.");
    EXPECT_EQ(removed.status, 204) << removed.text;
    const Answer gone = rest(kGet, "DNSZones/rest.example.");
    EXPECT_EQ(gone.status, 400) << gone.text;
    EXPECT_TRUE(gone.has(R"({"error":{"code":)")) << gone.text;
}

TEST_F(RestServiceTest, RangesUsersAndPropertyDefinitionsByTheirPaths) {
    startAndLogIn(2);
    const Answer added = rest(kPost, "Ranges", R"({"range":{"name":"10.0.0.0/24"}})");
    EXPECT_EQ(added.status, 201) << added.text;
    const Answer range = rest(kGet, "Ranges/10.0.0.0/24");
    EXPECT_EQ(range.status, 200) << range.text;
    EXPECT_TRUE(range.has(R"("from":"10.0.0.0")")) << range.text;
    EXPECT_TRUE(range.has(R"("to":"10.0.0.255")")) << range.text;
    const Answer subranges = rest(kGet, "Ranges/10.0.0.0/8/Subranges");
    EXPECT_TRUE(subranges.has("10.0.0.0/24")) << subranges.text;

    const Answer carol = rest(kGet, "Users/CORP//carol");
    EXPECT_EQ(carol.status, 200) << carol.text;
    EXPECT_TRUE(carol.has("Carol Clark")) << carol.text;

    const Answer definitions = rest(kGet, "Ranges/any/PropertyDefinitions");
    EXPECT_EQ(definitions.status, 200) << definitions.text;
    EXPECT_TRUE(definitions.has("Location")) << definitions.text;
    EXPECT_TRUE(definitions.has("VLAN")) << definitions.text;
    EXPECT_FALSE(definitions.has("Owner")) << definitions.text; // a zone's, not a range's
    const Answer one = rest(kGet, "DNSZones/x/PropertyDefinitions/Owner");
    EXPECT_TRUE(one.has("Team that runs the zone.")) << one.text;
}

TEST_F(RestServiceTest, DirectCommandsAndAnswersInXml) {
    startAndLogIn(3);
    const Answer zones = rest(kGet, "command/GetDNSZones", {}, {{"limit", "1"}});
    EXPECT_EQ(zones.status, 200) << zones.text;
    EXPECT_TRUE(zones.has(R"("totalResults":")")) << zones.text;
    // A POST to a command path is not a creation.
    EXPECT_EQ(rest(kPost, "command/GetDNSZones").status, 200);

    const Answer refused = rest(kDelete, "command/GetDNSZones");
    EXPECT_EQ(refused.status, 400) << refused.text;
    EXPECT_EQ(refused.text, R"({"error":{"code":5001,"message":"Invalid REST command."}})");
    EXPECT_EQ(rest(kPut, "Ranges").status, 400);

    const Answer xml = rest(kGet, "DNSZones/corp.example.", {}, {}, 1);
    EXPECT_EQ(xml.status, 200) << xml.text;
    EXPECT_EQ(xml.text.rfind("<response><result><dnsZone>", 0), 0u) << xml.text;
    const Answer xmlBody = rest(kPost, "command/GetDNSZones", "<any><limit>1</limit></any>");
    EXPECT_EQ(xmlBody.text.rfind("<response><result>", 0), 0u) << xmlBody.text;

    // The library's own commands answer on command paths too.
    const Answer hello = rest(kGet, "command/hello");
    EXPECT_EQ(hello.status, 204) << hello.text;
    EXPECT_EQ(hello.text, "");
}

// Sees which command, and whether its declaration, reaches the typed conversion.
class RecordingConversion : public xmlTypedConversion {
public:
    void convertRequest(const ztWSDL&, const TiXmlElement* inDeclaration, TiXmlElement& ioCommand,
                        xmlDialect) const override {
        itsSeen.emplace_back(ioCommand.ValueStr(), inDeclaration != nullptr);
    }
    void convertResponse(const ztWSDL&, const TiXmlElement*, ztXMLFlatTree&, ztXMLFlatTree::Node,
                         xmlDialect) const override {}

    mutable std::vector<std::pair<std::string, bool>> itsSeen; // one request thread
};

TEST_F(RestServiceTest, CommandNamesTakeTheServersSpelling) {
    startAndLogIn(6);
    const auto conversion = std::make_shared<RecordingConversion>();
    itsManager.setTypedConversion(conversion);
    EXPECT_EQ(rest(kGet, "command/getdnszones").status, 200);
    EXPECT_EQ(rest(kGet, "dnszones/corp.example.").status, 200);
    const std::vector<std::pair<std::string, bool>> expected = {{"GetDNSZones", true},
                                                                {"GetDNSZone", true}};
    EXPECT_EQ(conversion->itsSeen, expected);
}

TEST_F(RestServiceTest, ReportFileComesRawWithItsHeaders) {
    startAndLogIn(4);
    const Answer reports = rest(kGet, "Reports");
    std::smatch match;
    ASSERT_TRUE(std::regex_search(reports.text, match, std::regex(R"(\{#34-#(\d+)\})")))
        << reports.text;
    const Answer file = rest(kGet, "Reports/" + match[1].str() + "/File");
    EXPECT_EQ(file.status, 200) << file.text;
    // The file as the server made it: no envelope, no JSON.
    EXPECT_EQ(file.text.rfind("ref,name,", 0), 0u) << file.text;
    EXPECT_TRUE(file.has("\n{#4-#4},corp.example.,")) << file.text;
    const std::map<std::string, std::string> headers = {
        {"Content-Disposition", "attachment; filename=\"All_zones.csv\""},
        {"Content-Type", "text/csv; charset=utf-8"}};
    EXPECT_EQ(file.headers, headers);
}

// With the typed conversion answers carry REST references, and one of them is a path the
// next request can take as it is.
TEST_F(RestServiceTest, TypedReferencesOfAnAnswerAreItsNextPaths) {
    startAndLogIn(7);
    ASSERT_TRUE(itsTyped);
    itsManager.setTypedConversion(itsTyped);
    const Answer reports = rest(kGet, "Reports");
    std::smatch match;
    ASSERT_TRUE(std::regex_search(reports.text, match, std::regex(R"re("ref":"(Reports/\d+)")re")))
        << reports.text;
    const Answer file = rest(kGet, match[1].str() + "/File");
    EXPECT_EQ(file.status, 200) << file.text;
    EXPECT_EQ(file.text.rfind("ref,name,", 0), 0u) << file.text;

    const Answer zone = rest(kGet, "DNSZones/corp.example.");
    ASSERT_TRUE(std::regex_search(zone.text, match, std::regex(R"re("dnsServerRef":"([^"]+)")re")))
        << zone.text;
    const Answer server = rest(kGet, match[1].str());
    EXPECT_EQ(server.status, 200) << server.text;
    EXPECT_TRUE(server.has("ns1.corp.example.")) << server.text;
}

TEST_F(RestServiceTest, StatusesWithoutAndWithASession) {
    startServer(5);
    const Answer missing = rest(kGet, "DNSZones");
    EXPECT_EQ(missing.status, 401) << missing.text;
    EXPECT_TRUE(missing.has("\"code\":5002")) << missing.text;

    // A login through REST: a command path, so a POST answers 200 and not 201.
    const auto credentials = [this](const std::string& inPassword) {
        return R"({"server":")" + itsAddress + R"(","loginName":"administrator","password":")" +
               inPassword + "\"}";
    };
    EXPECT_EQ(rest(kPost, "command/Login", credentials("wrong")).status, 401);
    const Answer login = rest(kPost, "command/Login", credentials("demo"));
    EXPECT_EQ(login.status, 200) << login.text;
    itsSession = sessionOf(login.text);
    ASSERT_EQ(itsSession.size(), 20u) << login.text;
    const Answer unknown = rest(kGet, "NoSuchCollection");
    EXPECT_EQ(unknown.status, 400) << unknown.text;
    EXPECT_TRUE(unknown.has("Invalid REST command.")) << unknown.text;
    const Answer badBody = rest(kPost, "DNSZones", "{\"dnsZone\":");
    EXPECT_EQ(badBody.status, 400) << badBody.text;
    EXPECT_TRUE(badBody.has("Parse error, incorrect REST data")) << badBody.text;

    EXPECT_EQ(rest(kDelete, "command/logout").status, 204);
    const Answer expired = rest(kGet, "DNSZones");
    EXPECT_EQ(expired.status, 400) << expired.text;
    EXPECT_TRUE(expired.has("\"code\":5003")) << expired.text;
}

} // namespace
