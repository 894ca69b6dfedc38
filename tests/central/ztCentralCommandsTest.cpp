// Command dispatch of the stand-in server: refusals, argument validation, the commands every
// object type shares (SetProperties, RemoveObject, access, history, property definitions),
// the pre-login command, reports and concurrent use.
#include "ztcentral/handlers/ztCentralCommands.h"

#include "central/ztCentralFixture.h"

#include "ztcentral/model/ztCentralErr.h"

#include <map>
#include <set>
#include <thread>

namespace {

TEST_F(CentralTest, UnknownCommandIsRefusedByName) {
    const std::string message =
        fails("<GetEverything><session>x</session></GetEverything>", ztCentralErr_unknownCommand);
    EXPECT_EQ(message, "Unknown command \"GetEverything\".");
}

TEST_F(CentralTest, CommandNamesIgnoreCaseAndNamespacePrefixes) {
    const TiXmlElement& answer =
        run("<ns0:getdnszones xmlns:ns0=\"urn:x\"><ns0:filter>name:corp</ns0:filter>"
            "</ns0:getdnszones>");
    EXPECT_EQ(answer.ValueStr(), "GetDNSZonesResponse");
    EXPECT_EQ(at(answer, "totalResults"), "1");
}

TEST_F(CentralTest, GatewayCommandsAreNotRunHere) {
    fails("<Login><loginName>alice</loginName></Login>", ztCentralErr_notACommand);
    fails("<Logout/>", ztCentralErr_notACommand);
}

TEST_F(CentralTest, RefusedFamilyFailsUntilAllowedAgain) {
    itsFaults.refuse("dns");
    const std::string message = fails("<GetDNSZones/>", ztCentralErr_commandRefused);
    EXPECT_EQ(message, "The command \"GetDNSZones\" is not available on this server.");
    // Other families still run.
    run("<GetUsers/>");
    itsFaults.allow("DNS");
    run("<GetDNSZones/>");
}

TEST_F(CentralTest, RefusalOfOneCommandCarriesTheChosenError) {
    itsFaults.refuse("getranges", ztErr_incomingDisabled, "Busy with \"$c\".");
    EXPECT_EQ(fails("<GetRanges/>", ztErr_incomingDisabled), "Busy with \"GetRanges\".");
    run("<GetRange><rangeRef>{#6-10.0.1.0/24}</rangeRef></GetRange>");
    itsFaults.allowAll();
    run("<GetRanges/>");
}

TEST_F(CentralTest, IdentityGivesTheReferenceTheGatewayBuilds) {
    EXPECT_EQ(itsFaults.wsdlReference(), "demo - ztcentral - 1036");
    itsFaults.setIdentity({1037, "other", "v2"});
    EXPECT_EQ(itsFaults.wsdlReference(), "v2 - other - 1037");
}

TEST_F(CentralTest, BadArgumentsAreRefusedNamingTheArgument) {
    struct Row {
        const char* name;
        const char* xml;
        const char* message;
    };
    const Row rows[] = {
        {"unknown argument", "<GetDNSZones><colour>red</colour></GetDNSZones>",
         "Unknown argument \"colour\" for command \"GetDNSZones\"."},
        {"missing argument", "<GetDNSZone/>",
         "Missing argument \"dnsZoneRef\" for command \"GetDNSZone\"."},
        {"empty required reference", "<GetDNSZone><dnsZoneRef/></GetDNSZone>",
         "Missing argument \"dnsZoneRef\" for command \"GetDNSZone\"."},
        {"repeated argument", "<GetDNSZones><limit>1</limit><limit>2</limit></GetDNSZones>",
         "Argument \"limit\" is given more than once."},
        {"repeated session", "<GetUsers><session>a</session><session>b</session></GetUsers>",
         "Argument \"session\" is given more than once."},
        {"integer", "<GetDNSZones><limit>ten</limit></GetDNSZones>",
         "Invalid value \"ten\" for argument \"limit\": a 32-bit integer is expected."},
        {"integer overflow", "<GetDNSZones><offset>2147483648</offset></GetDNSZones>",
         "Invalid value \"2147483648\" for argument \"offset\": a 32-bit integer is expected."},
        {"negative offset", "<GetDNSZones><offset>-1</offset></GetDNSZones>",
         "Invalid value \"-1\" for argument \"offset\": it may not be negative."},
        {"negative limit", "<GetUsers><limit>-5</limit></GetUsers>",
         "Invalid value \"-5\" for argument \"limit\": it may not be negative."},
        {"boolean in a structure",
         "<AddDNSZone><dnsZone><name>x.example.</name><dnsServerRef>{#2-#1}</dnsServerRef>"
         "<dynamic>yes</dynamic></dnsZone></AddDNSZone>",
         "Invalid value \"yes\" for argument \"dnsZone/dynamic\": one of 1, 0, true and false is "
         "expected."},
        {"unknown element in a structure",
         "<AddGroup><group><name>g</name><colour>red</colour></group></AddGroup>",
         "Unknown element \"colour\" in argument \"group\"."},
        {"text for a structure", "<AddGroup><group>g</group></AddGroup>",
         "Argument \"group\" must hold elements, not text."},
        {"elements for a plain value", "<GetDNSZones><filter><a/></filter></GetDNSZones>",
         "Argument \"filter\" must hold a plain value."},
        {"malformed reference", "<GetDNSZone><dnsZoneRef>DNSZones/12</dnsZoneRef></GetDNSZone>",
         "Invalid value \"DNSZones/12\" for argument \"dnsZoneRef\": an object reference such as "
         "{#4-#12} is expected."},
        {"type number out of range", "<GetDNSZone><dnsZoneRef>{#42-#1}</dnsZoneRef></GetDNSZone>",
         "Invalid value \"{#42-#1}\" for argument \"dnsZoneRef\": an object reference such as "
         "{#4-#12} is expected."},
        {"reference of another type", "<GetDNSZone><dnsZoneRef>{#6-#1}</dnsZoneRef></GetDNSZone>",
         "Object \"{#6-#1}\" given for argument \"dnsZoneRef\" is not of type \"DNSZone\"."},
        {"object type name",
         "<GetPropertyDefinitions><objType>DNSZones</objType></GetPropertyDefinitions>",
         "Invalid value \"DNSZones\" for argument \"objType\": the name of an object type is "
         "expected."},
        {"missing element of a property",
         "<SetProperties><ref>{#14-alice}</ref><properties><property><value>x</value>"
         "</property></properties></SetProperties>",
         "Missing element \"name\" in argument \"properties/property\"."},
        {"no alternative of a choice", "<GetIPAMRecord/>",
         "Command \"GetIPAMRecord\" needs exactly one of the arguments \"addrRef\", \"address\"."},
        {"both alternatives of a choice",
         "<GetIPAMRecord><addrRef>{#8-10.0.1.10}</addrRef><address>10.0.1.10</address>"
         "</GetIPAMRecord>",
         "Command \"GetIPAMRecord\" needs exactly one of the arguments \"addrRef\", \"address\"."},
        {"address", "<GetIPAMRecord><address>10.0.1.300</address></GetIPAMRecord>",
         "Invalid value \"10.0.1.300\" for argument \"address\": an IPv4 or IPv6 address is "
         "expected."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(fails(row.xml, ztErr_invalidArgument), row.message);
    }
}

TEST_F(CentralTest, ReferencesThatNameNothingAreNotFound) {
    struct Row {
        const char* name;
        const char* reference;
    };
    const Row rows[] = {
        {"unused id", "{#4-#99999}"},
        {"unknown name", "{#4-nowhere.example.}"},
        {"untyped unknown name", "{-nowhere}"},
        {"address outside every range", "{#8-172.16.0.1}"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string message =
            fails(std::string("<GetHistory><objRef>") + row.reference + "</objRef></GetHistory>",
                  ztCentralErr_objectNotFound);
        EXPECT_EQ(message, std::string("Object \"") + row.reference + "\" not found.");
    }
}

TEST_F(CentralTest, AmbiguousNameReferenceIsRefused) {
    // Both seeded lab records are called host1.
    const std::string message =
        fails("<GetDNSRecord><dnsRecordRef>{#13-host1}</dnsRecordRef></GetDNSRecord>",
              ztErr_invalidArgument);
    EXPECT_EQ(message,
              "Object reference \"{#13-host1}\" for argument \"dnsRecordRef\" names more than one "
              "object.");
}

TEST_F(CentralTest, SetPropertiesChangesFieldsAndCustomPropertiesAndRecordsHistory) {
    itsNow = kFixedTime + 3600;
    run("<SetProperties><ref>{#4-corp.example}</ref><properties>"
        "<property><name>Dynamic</name><value>false</value></property>"
        "<property><name>owner</name><value>DNS team</value></property>"
        "</properties></SetProperties>",
        "alice");
    const TiXmlElement& zone = run("<GetDNSZone><dnsZoneRef>{#4-corp.example.}</dnsZoneRef>"
                                   "</GetDNSZone>");
    EXPECT_EQ(at(zone, "dnsZone/dynamic"), "0");
    EXPECT_EQ(at(zone, "dnsZone/customProperties/property/name"), "Owner");
    EXPECT_EQ(at(zone, "dnsZone/customProperties/property/value"), "DNS team");

    const TiXmlElement& history = run("<GetHistory><objRef>{#4-corp.example.}</objRef>"
                                      "<filter>alice</filter></GetHistory>");
    EXPECT_EQ(at(history, "totalResults"), "1");
    EXPECT_EQ(at(history, "historyItems/historyItem/timestamp"), "2026-03-09 15:05:00");
    EXPECT_EQ(at(history, "historyItems/historyItem/action"), "Modified");
    EXPECT_EQ(at(history, "historyItems/historyItem/comment"), "Changed Dynamic, owner.");
    EXPECT_EQ(at(history, "historyItems/historyItem/objType"), "DNSZone");
}

TEST_F(CentralTest, SetPropertiesIsAllOrNothing) {
    struct Row {
        const char* name;
        const char* properties;
        ztErr error;
        const char* message;
    };
    const Row rows[] = {
        {"unknown property", "<property><name>colour</name><value>red</value></property>",
         ztErr_invalidArgument, "Unknown property \"colour\" for object type \"Range\"."},
        {"read-only field",
         "<property><name>utilizationPercentage</name><value>5</value></property>",
         ztErr_invalidArgument, "Property \"utilizationPercentage\" is read-only."},
        {"bounds of a range", "<property><name>to</name><value>10.0.2.127</value></property>",
         ztErr_invalidArgument, "Property \"to\" is read-only."},
        {"name of a range", "<property><name>name</name><value>x</value></property>",
         ztErr_invalidArgument, "Property \"name\" is read-only."},
        {"integer custom property", "<property><name>VLAN</name><value>twenty</value></property>",
         ztErr_invalidArgument,
         "Invalid value \"twenty\" for argument \"VLAN\": a 32-bit integer is expected."},
        {"listed custom property", "<property><name>Location</name><value>Paris</value></property>",
         ztErr_invalidArgument,
         "Invalid value \"Paris\" for argument \"Location\": it is not one of the listed values."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        // The valid change before the bad one must not stick.
        fails(std::string("<SetProperties><ref>{#6-10.0.2.0/24}</ref><properties><property>"
                          "<name>title</name><value>Changed</value></property>") +
                  row.properties + "</properties></SetProperties>",
              row.error);
        const TiXmlElement& range =
            run("<GetRange><rangeRef>{#6-10.0.2.0/24}</rangeRef></GetRange>");
        EXPECT_EQ(at(range, "range/title"), "Clients");
    }
    EXPECT_EQ(fails("<SetProperties><ref>{#16-DNS Admins}</ref><properties><property><name>name"
                    "</name><value>administrators</value></property></properties></SetProperties>",
                    ztErr_itemExists),
              "An object of type \"Group\" named \"administrators\" already exists.");
}

TEST_F(CentralTest, RemoveObjectTakesOwnedObjectsAndReferencesWithIt) {
    const std::string zoneRef = refOf("{#4-lab.example.}");
    const std::string viewRef = refOf("{#5-internal}");
    run("<RemoveObject><ref>" + viewRef + "</ref><objType>DNSView</objType></RemoveObject>");
    // The zone forgets its view.
    const TiXmlElement& zone =
        run("<GetDNSZone><dnsZoneRef>" + zoneRef + "</dnsZoneRef></GetDNSZone>");
    EXPECT_EQ(at(zone, "dnsZone/dnsViewRef"), "<missing>");

    run("<RemoveObject><ref>" + zoneRef +
        "</ref><saveComment>Lab closed</saveComment>"
        "</RemoveObject>");
    fails("<GetDNSZone><dnsZoneRef>" + zoneRef + "</dnsZoneRef></GetDNSZone>",
          ztCentralErr_objectNotFound);
    // Its records went with it; other zones keep theirs.
    const TiXmlElement& records = run("<GetDNSRecords><dnsZoneRef>{#4-corp.example.}</dnsZoneRef>"
                                      "</GetDNSRecords>");
    EXPECT_EQ(at(records, "totalResults"), "7");
    fails("<GetDNSRecords><dnsZoneRef>" + zoneRef + "</dnsZoneRef></GetDNSRecords>",
          ztCentralErr_objectNotFound);
    // The history of the removed zone stays readable by id.
    const TiXmlElement& history =
        run("<GetHistory><objRef>" + zoneRef + "</objRef><offset>1</offset></GetHistory>");
    EXPECT_EQ(at(history, "historyItems/historyItem/action"), "Deleted");
    EXPECT_EQ(at(history, "historyItems/historyItem/comment"), "Lab closed");
}

TEST_F(CentralTest, RemoveObjectRefusesWrongTypeAndBuiltInRole) {
    fails("<RemoveObject><ref>{#2-#1}</ref><objType>Folder</objType></RemoveObject>",
          ztErr_invalidArgument);
    EXPECT_EQ(fails("<RemoveObject><ref>{#31-Administrators (built-in)}</ref></RemoveObject>",
                    ztCentralErr_objectInUse),
              "Object \"{#31-Administrators (built-in)}\" cannot be removed: a built-in role "
              "stays.");
    run("<RemoveObject><ref>{#31-Read only}</ref></RemoveObject>");
}

TEST_F(CentralTest, ObjectAccessIsReadAndReplacedPerIdentity) {
    const TiXmlElement& before =
        run("<GetObjectAccess><ref>{#4-corp.example.}</ref></GetObjectAccess>");
    EXPECT_EQ(at(before, "objectAccess/identityAccess/identityAccess/identityName"), "DNS Admins");
    EXPECT_EQ(column(before, "objectAccess/identityAccess/identityAccess/access", "name"),
              (std::vector<std::string>{"Read", "Edit", "Delete"}));

    run("<SetObjectAccess><objRefs><ref>{#4-corp.example.}</ref><ref>{#4-example.org.}</ref>"
        "</objRefs><identityAccess><identityAccess><identityRef>{#16-DNS Admins}</identityRef>"
        "<access><access><name>delete</name><value>true</value></access></access>"
        "</identityAccess><identityAccess><identityRef>{#14-bob}</identityRef><access><access>"
        "<name>Read</name><value>1</value></access></access></identityAccess></identityAccess>"
        "</SetObjectAccess>");
    const TiXmlElement& after =
        run("<GetObjectAccess><ref>{#4-example.org}</ref></GetObjectAccess>");
    EXPECT_EQ(column(after, "objectAccess/identityAccess", "identityName"),
              (std::vector<std::string>{"DNS Admins", "bob"}));
    EXPECT_EQ(at(after, "objectAccess/identityAccess/identityAccess/access/access/name"), "Delete");
    EXPECT_EQ(at(after, "objectAccess/identityAccess/identityAccess/access/access/value"), "1");

    EXPECT_EQ(fails("<SetObjectAccess><objRefs><ref>{#4-corp.example.}</ref></objRefs>"
                    "<identityAccess><identityAccess><identityRef>{#31-Read only}</identityRef>"
                    "</identityAccess></identityAccess></SetObjectAccess>",
                    ztErr_invalidArgument),
              "Object \"{#31-Read only}\" given for argument \"identityRef\" is not of type \"User "
              "or Group\".");
    fails("<SetObjectAccess><objRefs><ref>{#4-corp.example.}</ref></objRefs><identityAccess>"
          "<identityAccess><identityRef>{#14-bob}</identityRef><access><access><name>Own</name>"
          "<value>1</value></access></access></identityAccess></identityAccess></SetObjectAccess>",
          ztErr_invalidArgument);
}

TEST_F(CentralTest, HistoryPagesOldestFirst) {
    for (int i = 0; i < 3; ++i) {
        itsNow = kFixedTime + 60 * (i + 1);
        run("<SetProperties><ref>{#14-bob}</ref><properties><property><name>description</name>"
            "<value>v" +
            std::to_string(i) +
            "</value></property></properties>"
            "<saveComment>step " +
            std::to_string(i) + "</saveComment></SetProperties>");
    }
    const TiXmlElement& page = run(
        "<GetHistory><objRef>{#14-bob}</objRef><offset>1</offset><limit>2</limit></GetHistory>");
    // Created, then the three steps.
    EXPECT_EQ(at(page, "totalResults"), "4");
    EXPECT_EQ(column(page, "historyItems", "comment"),
              (std::vector<std::string>{"step 0", "step 1"}));
    EXPECT_EQ(column(page, "historyItems", "timestamp"),
              (std::vector<std::string>{"2026-03-09 14:06:00", "2026-03-09 14:07:00"}));
}

TEST_F(CentralTest, PropertyDefinitionsLiveAndTheirValuesFollow) {
    const TiXmlElement& list =
        run("<GetPropertyDefinitions><objType>Range</objType></GetPropertyDefinitions>");
    EXPECT_EQ(column(list, "propertyDefinitions", "name"),
              (std::vector<std::string>{"Location", "VLAN"}));

    // A new definition with a default reaches the objects that exist.
    run("<AddPropertyDefinition><objType>Group</objType><propertyDefinition><name>Site</name>"
        "<defaultValue>HQ</defaultValue></propertyDefinition></AddPropertyDefinition>");
    const TiXmlElement& group = run("<GetGroup><groupRef>{#16-IPAM Admins}</groupRef></GetGroup>");
    EXPECT_EQ(at(group, "group/customProperties/property/value"), "HQ");

    // Renaming carries the values along.
    run("<ModifyPropertyDefinition><objType>Range</objType><property>vlan</property>"
        "<propertyDefinition><name>VLAN id</name><type>Integer</type></propertyDefinition>"
        "</ModifyPropertyDefinition>");
    const TiXmlElement& definition = run("<GetPropertyDefinition><objType>Range</objType>"
                                         "<property>VLAN ID</property></GetPropertyDefinition>");
    EXPECT_EQ(at(definition, "propertyDefinition/type"), "Integer");
    const TiXmlElement& range = run("<GetRanges><filter>VLAN id:20</filter></GetRanges>");
    EXPECT_EQ(column(range, "ranges", "name"), (std::vector<std::string>{"10.0.2.0/24"}));

    run("<RemovePropertyDefinition><objType>Range</objType><property>VLAN id</property>"
        "</RemovePropertyDefinition>");
    EXPECT_EQ(fails("<GetPropertyDefinition><objType>Range</objType><property>VLAN id</property>"
                    "</GetPropertyDefinition>",
                    ztCentralErr_objectNotFound),
              "Property definition \"VLAN id\" not found for object type \"Range\".");
    EXPECT_EQ(at(run("<GetRanges><filter>VLAN id:20</filter></GetRanges>"), "totalResults"), "0");
}

TEST_F(CentralTest, PropertyDefinitionsRefuseWhatCouldNotHold) {
    struct Row {
        const char* name;
        const char* xml;
        ztErr error;
    };
    const Row rows[] = {
        {"duplicate name",
         "<AddPropertyDefinition><objType>Range</objType><propertyDefinition><name>location</name>"
         "</propertyDefinition></AddPropertyDefinition>",
         ztErr_itemExists},
        {"unknown value type",
         "<AddPropertyDefinition><objType>Range</objType><propertyDefinition><name>x</name>"
         "<type>Colour</type></propertyDefinition></AddPropertyDefinition>",
         ztErr_invalidArgument},
        {"default of the wrong type",
         "<AddPropertyDefinition><objType>Range</objType><propertyDefinition><name>x</name>"
         "<type>Integer</type><defaultValue>many</defaultValue></propertyDefinition>"
         "</AddPropertyDefinition>",
         ztErr_invalidArgument},
        {"mandatory without default while objects exist",
         "<AddPropertyDefinition><objType>User</objType><propertyDefinition><name>Badge</name>"
         "<mandatory>1</mandatory></propertyDefinition></AddPropertyDefinition>",
         ztErr_invalidArgument},
        {"shadowing a field name",
         "<AddPropertyDefinition><objType>User</objType><propertyDefinition><name>Name</name>"
         "</propertyDefinition></AddPropertyDefinition>",
         ztErr_invalidArgument},
        {"type without managed objects",
         "<GetPropertyDefinitions><objType>ADSite</objType></GetPropertyDefinitions>",
         ztErr_invalidArgument},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fails(row.xml, row.error);
    }
    // Nothing of the refused ones stayed.
    EXPECT_EQ(at(run("<GetPropertyDefinitions><objType>Range</objType></GetPropertyDefinitions>"),
                 "totalResults"),
              "2");
}

TEST_F(CentralTest, MandatoryCustomPropertyNeedsValueOnAdd) {
    run("<AddPropertyDefinition><objType>Folder</objType><propertyDefinition><name>Code</name>"
        "<mandatory>1</mandatory><defaultValue>X</defaultValue></propertyDefinition>"
        "</AddPropertyDefinition>");
    run("<AddFolder><folder><name>With default</name></folder></AddFolder>");
    fails("<SetProperties><ref>{#22-With default}</ref><properties><property><name>Code</name>"
          "<value></value></property></properties></SetProperties>",
          ztErr_invalidArgument);
}

TEST_F(CentralTest, PreLoginAnswersTheSignInOptions) {
    const TiXmlElement& answer = run("<web_getPreLoginInfo/>", "");
    EXPECT_EQ(answer.ValueStr(), "web_getPreLoginInfoResponse");
    ASSERT_NE(ztXMLUtil::findPath(&answer, "signInOptions/form"), nullptr);
    EXPECT_EQ(at(answer, "preferExternalAuth"), "<missing>");
    itsModel.locked([](ztCentralStore& ioStore) {
        ioStore.preLogin().signInOptions.push_back("external");
        ioStore.preLogin().preferExternalAuth = true;
    });
    const TiXmlElement& changed = run("<web_getPreLoginInfo/>", "");
    EXPECT_NE(ztXMLUtil::findPath(&changed, "signInOptions/external"), nullptr);
    EXPECT_EQ(at(changed, "preferExternalAuth"), "1");
    EXPECT_TRUE(ztCentralCommands::runsWithoutSession("WEB_GETPRELOGININFO"));
    EXPECT_FALSE(ztCentralCommands::runsWithoutSession("GetDNSZones"));
    EXPECT_FALSE(ztCentralCommands::runsWithoutSession("Login"));
}

TEST_F(CentralTest, ReportFileCarriesHeadersAndContent) {
    const TiXmlElement& reports = run("<GetReports/>");
    const std::string reportRef = at(reports, "reports/report/ref");
    TiXmlDocument request;
    request.Parse(("<soap:Body><GetReportFile><session>s</session><ref>" + reportRef +
                   "</ref></GetReportFile></soap:Body>")
                      .c_str());
    const TiXmlElement* command = ztCentralCommands::findCommandElement(request);
    ASSERT_NE(command, nullptr);
    std::map<std::string, std::string> headers;
    std::string content;
    itsCommands.getReportFile(*command, "tester", headers, content);
    EXPECT_EQ(headers["Content-Type"], "text/csv; charset=utf-8");
    EXPECT_EQ(headers["Content-Disposition"], "attachment; filename=\"All_zones.csv\"");
    const std::string expectedStart =
        "ref,name,dnsServerRef,dnsViewRef,type,dynamic,adIntegrated,dnssecSigned,authority\r\n";
    EXPECT_EQ(content.substr(0, expectedStart.size()), expectedStart);
    EXPECT_NE(content.find(",corp.example.,"), std::string::npos);
    EXPECT_EQ(at(reports, "reports/report/size"), std::to_string(content.size()));

    // The same file as an XML answer, for SOAP clients.
    const TiXmlElement& answer = run("<GetReportFile><ref>" + reportRef + "</ref></GetReportFile>");
    EXPECT_EQ(at(answer, "content"), content);
    EXPECT_EQ(at(answer, "fileName"), "All_zones.csv");
}

TEST_F(CentralTest, ReportFileNameIsSafeInAHeader) {
    // Built element by element: a parser could fold the line break away.
    const std::string name = "a\"b\r\nSet-Cookie: x";
    TiXmlElement add("AddReportDefinition");
    TiXmlElement* definition = add.LinkEndChild(new TiXmlElement("reportDefinition"))->ToElement();
    ztXMLUtil::addTextElement(definition, "name", name);
    ztXMLUtil::addTextElement(definition, "reportSource", "users");
    ztXMLUtil::addTextElement(definition, "format", "JSON");
    TiXmlElement answers("answers");
    const TiXmlElement& added = itsCommands.execute(add, "tester", answers);
    TiXmlElement runReport("RunReport");
    ztXMLUtil::addTextElement(&runReport, "reportDefinitionRef", at(added, "ref"));
    const TiXmlElement& ran = itsCommands.execute(runReport, "tester", answers);

    TiXmlElement command("GetReportFile");
    ztXMLUtil::addTextElement(&command, "ref", at(ran, "ref"));
    std::map<std::string, std::string> headers;
    std::string content;
    itsCommands.getReportFile(command, "tester", headers, content);
    EXPECT_EQ(headers["Content-Disposition"], "attachment; filename=\"a_b__Set-Cookie__x.json\"");
    EXPECT_EQ(headers["Content-Type"], "application/json");
    EXPECT_EQ(content.front(), '[');
    EXPECT_NE(content.find("\"name\":\"alice\",\"fullName\":\"Alice Archer\""), std::string::npos);
    // The password of a user is never part of a report.
    EXPECT_EQ(content.find("password"), std::string::npos);
}

TEST_F(CentralTest, ReportFileFailsLikeACommand) {
    TiXmlElement wrong("GetReports");
    std::map<std::string, std::string> headers;
    std::string content;
    EXPECT_THROW(itsCommands.getReportFile(wrong, "tester", headers, content), ztException);
    TiXmlElement missing("GetReportFile");
    ztXMLUtil::addTextElement(&missing, "ref", "{#34-#99999}");
    try {
        itsCommands.getReportFile(missing, "tester", headers, content);
        ADD_FAILURE() << "no failure";
    } catch (const ztException& e) {
        EXPECT_EQ(e.getErrorValue(), ztCentralErr_objectNotFound);
    }
    itsFaults.refuse("reports");
    TiXmlElement refused("GetReportFile");
    ztXMLUtil::addTextElement(&refused, "ref", "{#34-#1}");
    try {
        itsCommands.getReportFile(refused, "tester", headers, content);
        ADD_FAILURE() << "no failure";
    } catch (const ztException& e) {
        EXPECT_EQ(e.getErrorValue(), ztCentralErr_commandRefused);
    }
}

TEST_F(CentralTest, FindsTheCommandInWhatTheGatewaySends) {
    struct Row {
        const char* name;
        const char* xml;
    };
    const Row rows[] = {
        {"SOAP body", "<soap:Body><GetUsers/></soap:Body>"},
        {"JSON envelope", "<Envelope><GetUsers/></Envelope>"},
        {"whole SOAP envelope", "<s:Envelope><s:Header/><s:Body><GetUsers/></s:Body></s:Envelope>"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TiXmlDocument document;
        document.Parse(row.xml);
        const TiXmlElement* command = ztCentralCommands::findCommandElement(document);
        ASSERT_NE(command, nullptr);
        EXPECT_EQ(command->ValueStr(), "GetUsers");
    }
    TiXmlDocument empty;
    EXPECT_EQ(ztCentralCommands::findCommandElement(empty), nullptr);
}

TEST_F(CentralTest, ConcurrentAdditionsGetDistinctObjects) {
    constexpr int kThreads = 4;
    constexpr int kEach = 25;
    std::vector<std::thread> threads;
    std::vector<std::vector<std::string>> refs(kThreads);
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([this, t, &refs] {
            for (int i = 0; i < kEach; ++i) {
                TiXmlDocument document;
                const std::string xml = "<AddFolder><folder><name>worker-" + std::to_string(t) +
                                        "-" + std::to_string(i) + "</name></folder></AddFolder>";
                document.Parse(xml.c_str());
                TiXmlElement answers("answers");
                const TiXmlElement& answer =
                    itsCommands.execute(*document.RootElement(), "worker", answers);
                refs[static_cast<size_t>(t)].push_back(
                    ztXMLUtil::getTextOr(answer.FirstChildElement("ref"), ""));
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    std::set<std::string> distinct;
    for (const auto& list : refs)
        distinct.insert(list.begin(), list.end());
    EXPECT_EQ(distinct.size(), static_cast<size_t>(kThreads * kEach));
    EXPECT_EQ(at(run("<GetFolders><filter>worker-</filter></GetFolders>"), "totalResults"),
              std::to_string(kThreads * kEach));
}

TEST_F(CentralTest, EveryCatalogCommandHasAnImplementation) {
    EXPECT_TRUE(itsCommands.missingHandlers().empty())
        << ::testing::PrintToString(itsCommands.missingHandlers());
}

} // namespace
