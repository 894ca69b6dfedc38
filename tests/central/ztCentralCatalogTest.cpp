// The declarative table of the stand-in server is consistent: every type it names exists,
// names are unique, and every object kind has the commands it declares.
#include "ztcentral/catalog/ztCentralCatalog.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using Catalog = ztCentralCatalog;

bool isKnownType(const std::string& inType) {
    static const std::set<std::string> kBuiltIn = {"s:string", "s:int", "s:unsignedInt",
                                                   "s:boolean"};
    return kBuiltIn.count(inType) != 0 ||
           (inType.substr(0, 4) == "tns:" && Catalog::instance().findType(inType) != nullptr);
}

std::string lower(std::string inText) {
    for (char& c : inText)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return inText;
}

TEST(ztCentralCatalogTest, EveryNamedTypeExists) {
    const Catalog& catalog = Catalog::instance();
    for (const Catalog::Type& type : catalog.types()) {
        SCOPED_TRACE(type.name);
        for (const Catalog::Field& field : type.fields)
            EXPECT_TRUE(isKnownType(field.type)) << field.name << " " << field.type;
        if (type.form == Catalog::Type::Form::extension) {
            EXPECT_TRUE(isKnownType(type.base));
        }
    }
    for (const Catalog::Command& command : catalog.commands()) {
        SCOPED_TRACE(command.name);
        for (const auto* fields : {&command.input, &command.choice, &command.output})
            for (const Catalog::Field& field : *fields)
                EXPECT_TRUE(isKnownType(field.type)) << field.name << " " << field.type;
    }
}

TEST(ztCentralCatalogTest, NamesAreUniqueIgnoringCase) {
    // Commands and types share the schema's name index with "tns:" in front; element names
    // of the schema are lower camel case, so only these two sets can collide.
    std::set<std::string> names;
    for (const Catalog::Command& command : Catalog::instance().commands()) {
        EXPECT_TRUE(names.insert(lower(command.name)).second) << command.name;
        EXPECT_TRUE(names.insert(lower(command.name + "Response")).second) << command.name;
        EXPECT_FALSE(command.info.empty()) << command.name;
    }
    for (const Catalog::Type& type : Catalog::instance().types())
        EXPECT_TRUE(names.insert(lower(type.name)).second) << type.name;
}

TEST(ztCentralCatalogTest, KindsHaveTheirCommandsAndTypes) {
    const Catalog& catalog = Catalog::instance();
    for (const Catalog::Kind& kind : catalog.kinds()) {
        SCOPED_TRACE(kind.item);
        const std::string type = Catalog::schemaType(kind);
        ASSERT_NE(catalog.findType(type), nullptr);
        ASSERT_NE(catalog.findType("ArrayOf" + type), nullptr);
        const Catalog::Type* item = catalog.findType(type + "FolderItem");
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->base, "tns:FolderItem");
        const std::pair<const std::string*, Catalog::Action> actions[] = {
            {&kind.listCommand, Catalog::Action::listObjects},
            {&kind.getCommand, Catalog::Action::getObject},
            {&kind.addCommand, Catalog::Action::addObject}};
        for (const auto& [name, action] : actions) {
            if (name->empty())
                continue;
            const Catalog::Command* command = catalog.findCommand(*name);
            ASSERT_NE(command, nullptr) << *name;
            EXPECT_EQ(command->action, action);
            EXPECT_EQ(command->kind, kind.type);
        }
        for (const std::string& scope : kind.scopes)
            EXPECT_NE(catalog.findCommand(kind.listCommand), nullptr) << scope;
        if (!kind.parentField.empty()) {
            EXPECT_NE(Catalog::findField(kind, kind.parentField), nullptr);
        }
    }
}

TEST(ztCentralCatalogTest, CommandsOfTheRestRoutesAreDeclared) {
    // The commands the gateway's REST routes name for the families this server covers.
    const char* const kNames[] = {"GetDNSZones",
                                  "AddDNSZone",
                                  "GetDNSZone",
                                  "SetProperties",
                                  "RemoveObject",
                                  "GetObjectAccess",
                                  "SetObjectAccess",
                                  "GetHistory",
                                  "GetPropertyDefinitions",
                                  "AddPropertyDefinition",
                                  "GetPropertyDefinition",
                                  "ModifyPropertyDefinition",
                                  "RemovePropertyDefinition",
                                  "GetFolderForObject",
                                  "RemoveFromFolder",
                                  "PlaceInFolder",
                                  "GetDNSZoneOptions",
                                  "SetDNSZoneOptions",
                                  "GetDNSRecords",
                                  "AddDNSRecord",
                                  "AddDNSRecords",
                                  "GetDNSRecord",
                                  "GetRelatedDNSRecords",
                                  "GetDNSServers",
                                  "AddDNSServer",
                                  "GetDNSServer",
                                  "GetDNSViews",
                                  "GetDNSView",
                                  "GetDHCPServers",
                                  "GetDHCPServer",
                                  "AddDHCPServer",
                                  "GetDHCPScopes",
                                  "GetDHCPScope",
                                  "AddDHCPScope",
                                  "GetRanges",
                                  "AddRange",
                                  "GetRange",
                                  "GetAddressBlocks",
                                  "GetAvailableAddressBlocks",
                                  "GetInheritAccess",
                                  "GetNextFreeAddress",
                                  "GetRangeStatistics",
                                  "GetSubranges",
                                  "GetIPAMRecords",
                                  "GetIPAMRecord",
                                  "Ping",
                                  "GetRangeByIPAddress",
                                  "GetUsers",
                                  "AddUser",
                                  "GetUser",
                                  "GetGroups",
                                  "AddGroup",
                                  "GetGroup",
                                  "GetRoles",
                                  "AddRole",
                                  "GetRole",
                                  "AddRoleToGroup",
                                  "RemoveRoleFromGroup",
                                  "AddUserToGroup",
                                  "RemoveUserFromGroup",
                                  "AddRoleToUser",
                                  "RemoveRoleFromUser",
                                  "GetFolders",
                                  "AddFolder",
                                  "GetFolder",
                                  "GetObjectsInFolder",
                                  "GetReports",
                                  "GetReport",
                                  "GetReportFile",
                                  "GetReportDefinitions",
                                  "AddReportDefinition",
                                  "GetReportDefinition",
                                  "GetReportSources",
                                  "GetReportSource",
                                  "web_getPreLoginInfo"};
    for (const char* name : kNames) {
        const Catalog::Command* command = Catalog::instance().findCommand(name);
        ASSERT_NE(command, nullptr) << name;
        EXPECT_EQ(command->name, name);
        EXPECT_FALSE(command->gatewayOnly);
    }
    EXPECT_TRUE(Catalog::instance().findCommand("login")->gatewayOnly);
    EXPECT_EQ(Catalog::instance().families(),
              (std::vector<std::string>{"dhcp", "dns", "folders", "general", "ipam", "reports",
                                        "users"}));
}

} // namespace
