// The list, get and add commands of managed objects: filters, paging and scopes, the rules of
// zones, records, scopes and users, and folders with their derived-type listing.
#include "central/ztCentralFixture.h"

#include "ztcentral/model/ztCentralErr.h"

namespace {

using Names = std::vector<std::string>;

TEST_F(CentralTest, ListsFilterPageAndCount) {
    struct Row {
        const char* name;
        const char* arguments;
        Names names;
        const char* total;
    };
    const Row rows[] = {
        {"all", "", {"corp.example.", "lab.example.", "10.in-addr.arpa.", "example.org."}, "4"},
        {"name field",
         "<filter>name:EXAMPLE</filter>",
         {"corp.example.", "lab.example.", "example.org."},
         "3"},
        {"bare text", "<filter>arpa</filter>", {"10.in-addr.arpa."}, "1"},
        {"declared field", "<filter>type:slave</filter>", {"example.org."}, "1"},
        {"custom property", "<filter>owner:NETWORK</filter>", {"corp.example."}, "1"},
        {"text with a colon that names no field", "<filter>2001:db8</filter>", {}, "0"},
        {"offset and limit",
         "<offset>1</offset><limit>2</limit>",
         {"lab.example.", "10.in-addr.arpa."},
         "4"},
        {"limit past the end", "<offset>3</offset><limit>5</limit>", {"example.org."}, "4"},
        {"offset past the end", "<offset>10</offset>", {}, "4"},
        {"empty paging values",
         "<offset/><limit/>",
         {"corp.example.", "lab.example.", "10.in-addr.arpa.", "example.org."},
         "4"},
        {"server scope",
         "<dnsServerRef>{#2-ns2.corp.example.}</dnsServerRef>",
         {"example.org."},
         "1"},
        {"view scope", "<dnsViewRef>{#5-internal}</dnsViewRef>", {"lab.example."}, "1"},
        {"scope and filter",
         "<dnsServerRef>{#2-ns1.corp.example.}</dnsServerRef>"
         "<filter>lab</filter>",
         {"lab.example."},
         "1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const TiXmlElement& answer = run(std::string("<GetDNSZones><session>s</session>") +
                                         row.arguments + "</GetDNSZones>");
        EXPECT_EQ(column(answer, "dnsZones", "name"), row.names);
        EXPECT_EQ(at(answer, "totalResults"), row.total);
        // The list comes first, then the count, as the answer's type declares.
        EXPECT_EQ(answer.FirstChildElement()->ValueStr(), "dnsZones");
    }
}

TEST_F(CentralTest, UsersGroupsAndRolesListByRelation) {
    struct Row {
        const char* name;
        const char* command;
        const char* list;
        Names names;
    };
    const Row rows[] = {
        {"users of a group",
         "<GetUsers><groupRef>{#16-DNS Admins}</groupRef></GetUsers>",
         "users",
         {"alice"}},
        {"users with a role",
         "<GetUsers><roleRef>{#31-Read only}</roleRef></GetUsers>",
         "users",
         {"alice"}},
        {"groups of a user",
         "<GetGroups><userRef>{#14-bob}</userRef></GetGroups>",
         "groups",
         {"IPAM Admins"}},
        {"groups with a role",
         "<GetGroups><roleRef>{#31-DNS Administrators}</roleRef></GetGroups>",
         "groups",
         {"DNS Admins"}},
        {"roles of a group",
         "<GetRoles><groupRef>{#16-Administrators}</groupRef></GetRoles>",
         "roles",
         {"Administrators (built-in)"}},
        {"roles of a user",
         "<GetRoles><userRef>{#14-ALICE}</userRef></GetRoles>",
         "roles",
         {"Read only"}},
        {"directory account",
         "<GetUsers><filter>authenticationType:AD</filter></GetUsers>",
         "users",
         {"CORP\\carol"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(column(run(row.command), row.list, "name"), row.names);
    }
    run("<RemoveUserFromGroup><groupRef>{#16-DNS Admins}</groupRef><userRef>{#14-alice}</userRef>"
        "</RemoveUserFromGroup>");
    EXPECT_EQ(column(run(rows[0].command), "users", "name"), Names{});
    // Doing again what is done already changes nothing and is no error.
    run("<AddUserToGroup><groupRef>{#16-IPAM Admins}</groupRef><userRef>{#14-bob}</userRef>"
        "</AddUserToGroup>");
    run("<RemoveRoleFromUser><userRef>{#14-bob}</userRef><roleRef>{#31-Read only}</roleRef>"
        "</RemoveRoleFromUser>");
}

TEST_F(CentralTest, PasswordsAreNeverAnsweredNorSearchable) {
    const TiXmlElement& user = run("<GetUser><userRef>{#14-alice}</userRef></GetUser>");
    EXPECT_EQ(at(user, "user/password"), "<missing>");
    EXPECT_EQ(at(user, "user/fullName"), "Alice Archer");
    EXPECT_EQ(at(user, "user/customProperties/property/value"), "IT");
    EXPECT_EQ(at(run("<GetUsers><filter>password:alice</filter></GetUsers>"), "totalResults"), "0");
    EXPECT_EQ(itsModel.authenticate("ALICE", "alice"), "alice");
    EXPECT_EQ(itsModel.authenticate("alice", "ALICE"), "");
    EXPECT_EQ(itsModel.authenticate("CORP\\carol", ""), "");
}

TEST_F(CentralTest, ZonesAreAddedFullyQualifiedAndUniquePerServer) {
    const TiXmlElement& added =
        run("<AddDNSZone><dnsZone><name>new.example</name><dnsServerRef>{#2-ns2.corp.example.}"
            "</dnsServerRef></dnsZone><saveComment>For the test</saveComment></AddDNSZone>");
    const std::string ref = at(added, "ref");
    const TiXmlElement& zone =
        run("<GetDNSZone><dnsZoneRef>{#4-new.example}</dnsZoneRef></GetDNSZone>");
    EXPECT_EQ(at(zone, "dnsZone/ref"), ref);
    EXPECT_EQ(at(zone, "dnsZone/name"), "new.example.");
    EXPECT_EQ(at(zone, "dnsZone/type"), "Master");
    EXPECT_EQ(at(zone, "dnsZone/authority"), "ns2.corp.example.");
    EXPECT_EQ(at(run("<GetHistory><objRef>" + ref + "</objRef></GetHistory>"),
                 "historyItems/historyItem/comment"),
              "For the test");

    EXPECT_EQ(fails("<AddDNSZone><dnsZone><name>NEW.example.</name><dnsServerRef>"
                    "{#2-ns2.corp.example.}</dnsServerRef></dnsZone></AddDNSZone>",
                    ztErr_itemExists),
              "An object of type \"DNSZone\" named \"NEW.example.\" already exists.");
    // Another server may hold a zone of the same name.
    run("<AddDNSZone><dnsZone><name>new.example.</name><dnsServerRef>{#2-ns1.corp.example.}"
        "</dnsServerRef></dnsZone></AddDNSZone>");
    // Two zones of one name: a name reference no longer names one.
    fails("<GetDNSZone><dnsZoneRef>{#4-new.example.}</dnsZoneRef></GetDNSZone>",
          ztErr_invalidArgument);

    struct Row {
        const char* name;
        const char* zone;
        ztErr error;
        const char* message;
    };
    const Row rows[] = {
        {"no server", "<name>a.example.</name>", ztErr_invalidArgument,
         "Missing element \"dnsServerRef\" in argument \"dnsZone\"."},
        {"no name", "<dnsServerRef>{#2-ns1.corp.example.}</dnsServerRef>", ztErr_invalidArgument,
         "Missing element \"name\" in argument \"dnsZone\"."},
        {"unknown server", "<name>a.example.</name><dnsServerRef>{#2-ns9}</dnsServerRef>",
         ztCentralErr_objectNotFound, "Object \"{#2-ns9}\" not found."},
        {"server of the wrong type",
         "<name>a.example.</name><dnsServerRef>{#3-dhcp1.corp.example.}</dnsServerRef>",
         ztErr_invalidArgument,
         "Object \"{#3-dhcp1.corp.example.}\" given for argument \"dnsServerRef\" is not of type "
         "\"DNSServer\"."},
        {"view of another server",
         "<name>a.example.</name><dnsServerRef>{#2-ns2.corp.example.}</dnsServerRef>"
         "<dnsViewRef>{#5-internal}</dnsViewRef>",
         ztErr_invalidArgument,
         "for argument \"dnsZone/dnsViewRef\": the view belongs to another server."},
        {"zone type",
         "<name>a.example.</name><dnsServerRef>{#2-ns1.corp.example.}</dnsServerRef>"
         "<type>Primary</type>",
         ztErr_invalidArgument,
         "Invalid value \"Primary\" for argument \"dnsZone/type\": Master, Slave, Stub or Forward "
         "is expected."},
        {"domain name",
         "<name>a b.example.</name><dnsServerRef>{#2-ns1.corp.example.}"
         "</dnsServerRef>",
         ztErr_invalidArgument,
         "Invalid value \"a b.example.\" for argument \"dnsZone/name\": a domain name is "
         "expected."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string message = fails(
            std::string("<AddDNSZone><dnsZone>") + row.zone + "</dnsZone></AddDNSZone>", row.error);
        EXPECT_NE(message.find(row.message), std::string::npos) << message;
    }
}

TEST_F(CentralTest, RecordDataMustSuitTheRecordType) {
    struct Row {
        const char* name;
        const char* type;
        const char* data;
        const char* extra;
        bool valid;
    };
    const Row rows[] = {
        {"A", "A", "10.0.1.50", "", true},
        {"A with a bad octet", "A", "10.0.1.256", "", false},
        {"A with IPv6", "A", "2001:db8::5", "", false},
        {"AAAA", "aaaa", "2001:db8::5", "", true},
        {"AAAA with IPv4", "AAAA", "10.0.1.50", "", false},
        {"CNAME", "CNAME", "www.corp.example.", "", true},
        {"CNAME with blanks", "CNAME", "www corp", "", false},
        {"MX", "MX", "10 mail.corp.example.", "", true},
        {"MX without preference", "MX", "mail.corp.example.", "", false},
        {"MX preference too big", "MX", "70000 mail.corp.example.", "", false},
        {"SRV", "SRV", "0 5 5060 sip.corp.example.", "", true},
        {"SRV short", "SRV", "0 5 sip.corp.example.", "", false},
        {"TXT", "TXT", "v=spf1 -all", "", true},
        {"unknown type", "XYZ", "x", "", false},
        {"TTL", "A", "10.0.1.51", "<ttl>300</ttl>", true},
        {"TTL not a number", "A", "10.0.1.52", "<ttl>1h</ttl>", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string xml = std::string("<AddDNSRecord><dnsRecord><name>r</name>"
                                            "<dnsZoneRef>{#4-corp.example.}</dnsZoneRef><type>") +
                                row.type + "</type><data>" + row.data + "</data>" + row.extra +
                                "</dnsRecord></AddDNSRecord>";
        if (row.valid)
            run(xml);
        else
            fails(xml, ztErr_invalidArgument);
    }
}

TEST_F(CentralTest, RecordAddedAsTheGatewayMapsItFromRest) {
    // POST DNSZones/{ref}/DNSRecords adds an enabled flag and an empty TTL.
    const TiXmlElement& added =
        run("<AddDNSRecord><session>s</session><dnsRecord><name>api</name><type>A</type>"
            "<data>10.0.1.60</data><dnsZoneRef>" +
            refOf("{#4-corp.example.}") +
            "</dnsZoneRef><enabled>1</enabled><ttl/></dnsRecord></AddDNSRecord>");
    const TiXmlElement& record =
        run("<GetDNSRecord><dnsRecordRef>" + at(added, "ref") + "</dnsRecordRef></GetDNSRecord>");
    EXPECT_EQ(at(record, "dnsRecord/enabled"), "1");
    EXPECT_EQ(at(record, "dnsRecord/ttl"), "<missing>");
    EXPECT_EQ(at(record, "dnsRecord/type"), "A");
}

TEST_F(CentralTest, SeveralRecordsAreAddedAllOrNothing) {
    const std::string before =
        at(run("<GetDNSRecords><dnsZoneRef>{#4-corp.example.}</dnsZoneRef></GetDNSRecords>"),
           "totalResults");
    fails("<AddDNSRecords><dnsRecords>"
          "<dnsRecord><name>ok</name><dnsZoneRef>{#4-corp.example.}</dnsZoneRef><type>A</type>"
          "<data>10.0.1.70</data></dnsRecord>"
          "<dnsRecord><name>bad</name><dnsZoneRef>{#4-corp.example.}</dnsZoneRef><type>A</type>"
          "<data>not an address</data></dnsRecord>"
          "</dnsRecords></AddDNSRecords>",
          ztErr_invalidArgument);
    EXPECT_EQ(at(run("<GetDNSRecords><dnsZoneRef>{#4-corp.example.}</dnsZoneRef></GetDNSRecords>"),
                 "totalResults"),
              before);
    // Items may carry any name, as REST clients sending XML name them.
    const TiXmlElement& added =
        run("<AddDNSRecords><dnsRecords>"
            "<item><name>one</name><dnsZoneRef>{#4-corp.example.}</dnsZoneRef><type>A</type>"
            "<data>10.0.1.71</data></item>"
            "<item><name>two</name><dnsZoneRef>{#4-corp.example.}</dnsZoneRef><type>A</type>"
            "<data>10.0.1.72</data></item>"
            "</dnsRecords></AddDNSRecords>");
    const TiXmlElement* refs = ztXMLUtil::findPath(&added, "objRefs");
    ASSERT_NE(refs, nullptr);
    int count = 0;
    for (const TiXmlElement* ref = refs->FirstChildElement("ref"); ref != nullptr;
         ref = ref->NextSiblingElement("ref"))
        ++count;
    EXPECT_EQ(count, 2);
}

TEST_F(CentralTest, RelatedRecordsPointAtEachOther) {
    const TiXmlElement& www = run("<GetDNSRecords><dnsZoneRef>{#4-corp.example.}</dnsZoneRef>"
                                  "<filter>name:www</filter></GetDNSRecords>");
    const std::string wwwRef = at(www, "dnsRecords/dnsRecord/ref");
    const TiXmlElement& related = run("<GetRelatedDNSRecords><dnsRecordRef>" + wwwRef +
                                      "</dnsRecordRef></GetRelatedDNSRecords>");
    EXPECT_EQ(column(related, "dnsRecords", "name"), (Names{"intranet", "10.1.0"}));
    EXPECT_EQ(at(related, "totalResults"), "2");
}

TEST_F(CentralTest, ZoneOptionsAreSetAndRemoved) {
    run("<SetDNSZoneOptions><dnsZoneRef>{#4-corp.example.}</dnsZoneRef><options><property>"
        "<name>allow-transfer</name></property><property><name>also-notify</name>"
        "<value>10.0.0.55</value></property></options></SetDNSZoneOptions>");
    const TiXmlElement& options =
        run("<GetDNSZoneOptions><dnsZoneRef>{#4-corp.example.}</dnsZoneRef></GetDNSZoneOptions>");
    EXPECT_EQ(column(options, "options", "name"), (Names{"notify", "also-notify"}));
}

TEST_F(CentralTest, ScopesCountTheirFreeAddresses) {
    const TiXmlElement& scopes = run(
        "<GetDHCPScopes><dhcpServerRef>{#3-dhcp1.corp.example.}</dhcpServerRef></GetDHCPScopes>");
    EXPECT_EQ(column(scopes, "dhcpScopes", "name"), (Names{"10.0.1.0/24", "10.0.2.0/24"}));
    // 254 usable addresses, two assigned and one reserved.
    EXPECT_EQ(column(scopes, "dhcpScopes", "available"), (Names{"251", "253"}));
    fails("<AddDHCPScope><dhcpScope><name>10.0.3.5/24</name><dhcpServerRef>"
          "{#3-dhcp1.corp.example.}</dhcpServerRef></dhcpScope></AddDHCPScope>",
          ztErr_invalidArgument);
    const TiXmlElement& scope =
        run("<GetDHCPScope><dhcpScopeRef>{#7-10.0.1.0/24}</dhcpScopeRef></GetDHCPScope>");
    EXPECT_EQ(at(scope, "dhcpScope/enabled"), "1");
}

TEST_F(CentralTest, FolderContentIsAnsweredWithDerivedTypes) {
    const TiXmlElement& content =
        run("<GetObjectsInFolder><folderRef>{#22-Datacenter}</folderRef></GetObjectsInFolder>");
    EXPECT_EQ(column(content, "objects", "name"),
              (Names{"ns1.corp.example.", "corp.example.", "10.0.1.0/24"}));
    EXPECT_EQ(column(content, "objects", "objType"), (Names{"DNSServer", "DNSZone", "Range"}));
    const TiXmlElement* zone =
        ztXMLUtil::findPath(&content, "objects")->FirstChildElement()->NextSiblingElement();
    ASSERT_NE(zone, nullptr);
    EXPECT_STREQ(zone->Attribute("xsi:type"), "DNSZoneFolderItem");
    EXPECT_EQ(at(*zone, "dynamic"), "1");

    const TiXmlElement& branches =
        run("<GetObjectsInFolder><folderRef>{#22-Branch offices}</folderRef></GetObjectsInFolder>");
    EXPECT_EQ(column(branches, "objects", "name"), (Names{"Oslo"}));
    EXPECT_STREQ(ztXMLUtil::findPath(&branches, "objects/object")->Attribute("xsi:type"),
                 "FolderFolderItem");
}

TEST_F(CentralTest, ObjectsMoveBetweenFoldersWithoutCycles) {
    EXPECT_EQ(at(run("<GetFolderForObject><ref>{#4-corp.example.}</ref></GetFolderForObject>"),
                 "folder/name"),
              "Datacenter");
    EXPECT_EQ(
        at(run("<GetFolderForObject><ref>{#22-Oslo}</ref></GetFolderForObject>"), "folder/name"),
        "Branch offices");
    EXPECT_EQ(
        run("<GetFolderForObject><ref>{#14-bob}</ref></GetFolderForObject>").FirstChildElement(),
        nullptr);

    fails("<PlaceInFolder><objRefs><ref>{#22-Branch offices}</ref></objRefs>"
          "<folderRef>{#22-Oslo}</folderRef></PlaceInFolder>",
          ztErr_invalidArgument);
    fails("<PlaceInFolder><objRefs><ref>{#22-Oslo}</ref></objRefs>"
          "<folderRef>{#22-Oslo}</folderRef></PlaceInFolder>",
          ztErr_invalidArgument);
    fails("<RemoveFromFolder><objRefs><ref>{#4-corp.example.}</ref></objRefs>"
          "<folderRef>{#22-Oslo}</folderRef></RemoveFromFolder>",
          ztErr_invalidArgument);

    run("<PlaceInFolder><objRefs><ref>{#4-corp.example.}</ref><ref>{#22-Datacenter}</ref>"
        "</objRefs><folderRef>{#22-Oslo}</folderRef></PlaceInFolder>");
    EXPECT_EQ(column(run("<GetObjectsInFolder><folderRef>{#22-Oslo}</folderRef>"
                         "</GetObjectsInFolder>"),
                     "objects", "name"),
              (Names{"Datacenter", "corp.example.", "10.0.2.0/24"}));
    run("<RemoveFromFolder><objRefs><ref>{#4-corp.example.}</ref></objRefs>"
        "<folderRef>{#22-Oslo}</folderRef></RemoveFromFolder>");
    EXPECT_EQ(run("<GetFolderForObject><ref>{#4-corp.example.}</ref></GetFolderForObject>")
                  .FirstChildElement(),
              nullptr);

    // A removed folder takes its subfolders; the objects in them stay, without a folder.
    run("<RemoveObject><ref>{#22-Branch offices}</ref></RemoveObject>");
    fails("<GetFolder><folderRef>{#22-Oslo}</folderRef></GetFolder>", ztCentralErr_objectNotFound);
    EXPECT_EQ(run("<GetFolderForObject><ref>{#6-10.0.2.0/24}</ref></GetFolderForObject>")
                  .FirstChildElement(),
              nullptr);
}

} // namespace
