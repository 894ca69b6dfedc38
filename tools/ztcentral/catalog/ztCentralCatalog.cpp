// The stand-in server's schema types, object kinds and commands. Object kinds generate
// their own types (the object, its list, its folder item) and their list, get and add
// commands; everything else is declared here one by one.
#include "ztcentral/catalog/ztCentralCatalog.h"

#include <algorithm>
#include <set>

namespace {

using Field = ztCentralCatalog::Field;
using Type = ztCentralCatalog::Type;
using Command = ztCentralCatalog::Command;
using Kind = ztCentralCatalog::Kind;
using Access = ztCentralCatalog::Access;
using Action = ztCentralCatalog::Action;

char lowerAscii(char inChar) {
    return (inChar >= 'A' && inChar <= 'Z') ? static_cast<char>(inChar - 'A' + 'a') : inChar;
}

Field opt(std::string inName, std::string inType, std::string inDoc = {}) {
    return Field{std::move(inName), std::move(inType), false, false,
                 Access::readWrite, std::move(inDoc)};
}

Field req(std::string inName, std::string inType, std::string inDoc = {}) {
    Field result = opt(std::move(inName), std::move(inType), std::move(inDoc));
    result.required = true;
    return result;
}

Field many(std::string inName, std::string inType, std::string inDoc = {}) {
    Field result = opt(std::move(inName), std::move(inType), std::move(inDoc));
    result.repeated = true;
    return result;
}

Field readOnly(Field inField) {
    inField.access = Access::readOnly;
    return inField;
}

Field writeOnly(Field inField) {
    inField.access = Access::writeOnly;
    return inField;
}

Type simple(std::string inName, std::string inDoc, std::vector<std::string> inChoices = {}) {
    return Type{std::move(inName),    Type::Form::simple, "s:string", {},
                std::move(inChoices), std::move(inDoc)};
}

Type sequence(std::string inName, std::vector<Field> inFields, std::string inDoc = {}) {
    return Type{std::move(inName), Type::Form::sequence, {}, std::move(inFields), {},
                std::move(inDoc)};
}

// A list type: one element that may repeat without bound.
Type arrayOf(std::string inName, std::string inItem, std::string inItemType) {
    return sequence(std::move(inName), {many(std::move(inItem), std::move(inItemType))});
}

// The arguments every list command takes after its own.
std::vector<Field> withPaging(std::vector<Field> inFields) {
    inFields.push_back(opt("filter", "s:string",
                           "\"field:text\" keeps objects whose field contains the text; a bare "
                           "text is looked for in the name. Letter case is ignored."));
    inFields.push_back(opt("offset", "s:int", "Number of matching objects to skip."));
    inFields.push_back(opt("limit", "s:int", "Most objects to answer; 0 or absent for all."));
    return inFields;
}

Field saveComment() {
    return opt("saveComment", "s:string", "Text kept with the change in the object's history.");
}

Command custom(std::string inName, std::string inFamily, std::string inInfo,
               std::vector<Field> inInput, std::vector<Field> inOutput) {
    Command result;
    result.name = std::move(inName);
    result.family = std::move(inFamily);
    result.info = std::move(inInfo);
    result.input = std::move(inInput);
    result.output = std::move(inOutput);
    return result;
}

std::vector<Kind> makeKinds() {
    const Field address = opt("address", "tns:IPOrHostname", "Address or host name.");
    const Field description = opt("description", "s:string");
    std::vector<Kind> kinds;

    Kind k;
    k = Kind{};
    k.type = obj_dnsServer, k.family = "dns", k.item = "dnsServer", k.list = "dnsServers";
    k.refArg = "dnsServerRef", k.listCommand = "GetDNSServers", k.getCommand = "GetDNSServer";
    k.addCommand = "AddDNSServer", k.doc = "A DNS server managed by the central server.";
    k.fields = {address, opt("port", "s:unsignedInt", "Port of the server's agent."),
                opt("type", "s:string", "Server software, for example BIND."),
                readOnly(opt("state", "s:string", "OK, Unreachable or Disabled.")),
                opt("enabled", "s:boolean")};
    kinds.push_back(k);

    k = Kind{};
    k.type = obj_dnsView, k.family = "dns", k.item = "dnsView", k.list = "dnsViews";
    k.refArg = "dnsViewRef", k.listCommand = "GetDNSViews", k.getCommand = "GetDNSView";
    k.doc = "A view of a DNS server.";
    k.fields = {req("dnsServerRef", "tns:ObjRef", "The server that has the view.")};
    k.parentField = "dnsServerRef", k.scopes = {"dnsServerRef"};
    kinds.push_back(k);

    k = Kind{};
    k.type = obj_dnsZone, k.family = "dns", k.item = "dnsZone", k.list = "dnsZones";
    k.refArg = "dnsZoneRef", k.listCommand = "GetDNSZones", k.getCommand = "GetDNSZone";
    k.addCommand = "AddDNSZone";
    k.doc = "A DNS zone; names are fully qualified and end with a dot.";
    k.fields = {req("dnsServerRef", "tns:ObjRef", "The server that holds the zone."),
                opt("dnsViewRef", "tns:ObjRef", "The view of the zone, if any."),
                opt("type", "s:string", "Master (the default), Slave, Stub or Forward."),
                opt("dynamic", "s:boolean", "Accepts dynamic updates."),
                opt("adIntegrated", "s:boolean"),
                opt("dnssecSigned", "s:boolean"),
                readOnly(opt("authority", "s:string", "Name of the holding server."))};
    k.parentField = "dnsServerRef", k.scopes = {"dnsServerRef", "dnsViewRef"};
    kinds.push_back(k);

    k = Kind{};
    k.type = obj_dnsRecord, k.family = "dns", k.item = "dnsRecord", k.list = "dnsRecords";
    k.refArg = "dnsRecordRef", k.listCommand = "GetDNSRecords", k.getCommand = "GetDNSRecord";
    k.addCommand = "AddDNSRecord";
    k.doc = "A resource record; its name is relative to the zone (@ for the apex).";
    k.fields = {req("dnsZoneRef", "tns:ObjRef", "The zone of the record."),
                req("type", "s:string", "A, AAAA, CNAME, MX, NS, PTR, SRV or TXT."),
                opt("ttl", "s:string", "Time to live in seconds; empty for the zone default."),
                req("data", "s:string", "Record data as in a zone file."),
                opt("comment", "s:string"),
                opt("enabled", "s:boolean"),
                opt("aging", "s:unsignedInt")};
    k.parentField = "dnsZoneRef", k.scopes = {"dnsZoneRef"}, k.uniqueNames = false;
    kinds.push_back(k);

    k = Kind{};
    k.type = obj_dhcpServer, k.family = "dhcp", k.item = "dhcpServer", k.list = "dhcpServers";
    k.refArg = "dhcpServerRef", k.listCommand = "GetDHCPServers", k.getCommand = "GetDHCPServer";
    k.addCommand = "AddDHCPServer", k.doc = "A DHCP server managed by the central server.";
    k.fields = {address, opt("type", "s:string", "Server software."),
                readOnly(opt("state", "s:string", "OK, Unreachable or Disabled."))};
    kinds.push_back(k);

    k = Kind{};
    k.type = obj_scope, k.family = "dhcp", k.item = "dhcpScope", k.list = "dhcpScopes";
    k.refArg = "dhcpScopeRef", k.listCommand = "GetDHCPScopes", k.getCommand = "GetDHCPScope";
    k.addCommand = "AddDHCPScope";
    k.doc = "A DHCP scope; its name is the subnet in prefix notation.";
    k.fields = {req("dhcpServerRef", "tns:ObjRef", "The server that serves the scope."),
                description, opt("enabled", "s:boolean"),
                readOnly(opt("available", "s:unsignedInt", "Addresses left in the subnet."))};
    k.parentField = "dhcpServerRef", k.scopes = {"dhcpServerRef"};
    kinds.push_back(k);

    k = Kind{};
    k.type = obj_range, k.family = "ipam", k.item = "range", k.list = "ranges";
    k.refArg = "rangeRef", k.listCommand = "GetRanges", k.getCommand = "GetRange";
    k.addCommand = "AddRange";
    k.doc = "An IP address range. Its name is the subnet in prefix notation when it is one, "
            "otherwise first and last address joined by a hyphen. Ranges nest: each lies "
            "wholly inside its parent and never overlaps a sibling.";
    k.fields = {opt("from", "tns:IPAddress", "First address."),
                opt("to", "tns:IPAddress", "Last address."),
                readOnly(opt("parentRef", "tns:ObjRef", "The enclosing range.")),
                opt("title", "s:string"),
                opt("subnet", "s:boolean"),
                opt("locked", "s:boolean"),
                opt("autoAssign", "s:boolean"),
                opt("inheritAccess", "s:boolean"),
                readOnly(opt("utilizationPercentage", "s:int"))};
    k.scopes = {"parentRef"};
    kinds.push_back(k);

    k = Kind{};
    k.type = obj_ipAddress, k.family = "ipam", k.item = "ipamRecord", k.list = "ipamRecords";
    k.refArg = "addrRef", k.listCommand = "GetIPAMRecords", k.getCommand = "GetIPAMRecord";
    k.doc = "What is known about one IP address; its name is the address. An address inside a "
            "range has a record even before anything was set on it (state Free).";
    k.fields = {readOnly(opt("address", "tns:IPAddress")),
                opt("state", "s:string", "Free, Assigned or Reserved."),
                opt("claimed", "s:boolean"),
                opt("dnsHost", "s:string"),
                opt("deviceName", "s:string"),
                readOnly(opt("rangeRef", "tns:ObjRef", "The innermost range holding it."))};
    kinds.push_back(k);

    k = Kind{};
    k.type = obj_user, k.family = "users", k.item = "user", k.list = "users";
    k.refArg = "userRef", k.listCommand = "GetUsers", k.getCommand = "GetUser";
    k.addCommand = "AddUser";
    k.doc = "A user; the name is the login name (domain\\name for directory accounts).";
    k.fields = {writeOnly(opt("password", "s:string", "Never answered.")),
                opt("fullName", "s:string"), description, opt("email", "s:string"),
                opt("authenticationType", "s:string", "Internal (the default) or AD.")};
    k.scopes = {"groupRef", "roleRef"};
    kinds.push_back(k);

    k = Kind{};
    k.type = obj_group, k.family = "users", k.item = "group", k.list = "groups";
    k.refArg = "groupRef", k.listCommand = "GetGroups", k.getCommand = "GetGroup";
    k.addCommand = "AddGroup", k.doc = "A group of users.";
    k.fields = {description, opt("adIntegrated", "s:boolean")};
    k.scopes = {"roleRef", "userRef"};
    kinds.push_back(k);

    k = Kind{};
    k.type = obj_role, k.family = "users", k.item = "role", k.list = "roles";
    k.refArg = "roleRef", k.listCommand = "GetRoles", k.getCommand = "GetRole";
    k.addCommand = "AddRole", k.doc = "A role given to users and groups.";
    k.fields = {description, readOnly(opt("builtIn", "s:boolean"))};
    k.scopes = {"groupRef", "userRef"};
    kinds.push_back(k);

    k = Kind{};
    k.type = obj_folder, k.family = "folders", k.item = "folder", k.list = "folders";
    k.refArg = "folderRef", k.listCommand = "GetFolders", k.getCommand = "GetFolder";
    k.addCommand = "AddFolder", k.doc = "A folder that groups objects of any type.";
    k.fields = {opt("parentRef", "tns:ObjRef", "The enclosing folder."), description};
    k.parentField = "parentRef", k.scopes = {"parentRef"};
    kinds.push_back(k);

    k = Kind{};
    k.type = obj_reportDefinition, k.family = "reports", k.item = "reportDefinition";
    k.list = "reportDefinitions", k.refArg = "reportDefinitionRef";
    k.listCommand = "GetReportDefinitions", k.getCommand = "GetReportDefinition";
    k.addCommand = "AddReportDefinition", k.doc = "What a report lists and in which format.";
    k.fields = {req("reportSource", "s:string", "Name of the report source."), description,
                opt("format", "s:string", "csv (the default), txt or json.")};
    kinds.push_back(k);

    k = Kind{};
    k.type = obj_report, k.family = "reports", k.item = "report", k.list = "reports";
    k.refArg = "reportRef", k.listCommand = "GetReports", k.getCommand = "GetReport";
    k.doc = "A report produced from a report definition; its file is fetched separately.";
    k.fields = {readOnly(opt("reportDefinitionRef", "tns:ObjRef")),
                readOnly(opt("created", "tns:DateTime")), readOnly(opt("format", "s:string")),
                readOnly(opt("fileName", "s:string")), readOnly(opt("size", "s:unsignedInt"))};
    k.parentField = "reportDefinitionRef", k.scopes = {"reportDefinitionRef"};
    k.uniqueNames = false;
    kinds.push_back(k);
    return kinds;
}

std::string schemaTypeOf(const Kind& inKind) {
    return ztCentralCatalog::schemaType(inKind);
}

std::vector<std::string> objectTypeNames() {
    std::vector<std::string> result;
    for (ztObjType i = 0; i < kObjectTypeCount; ++i)
        if (i != 15)
            result.emplace_back(objectTypeName(i));
    return result;
}

std::vector<Type> makeFixedTypes() {
    std::vector<Type> types;
    // The four simple types the gateway itself knows, with its own descriptions.
    types.push_back(simple("HexStr", "Hexadecimal encoded string."));
    types.push_back(simple("IPOrHostname", "IPv4/IPv6 address or legal host name."));
    types.push_back(simple("IPAddress", "IPv4/IPv6 address."));
    types.push_back(simple(
        "DateTime",
        "Legal time format is ( HH : MM[:SS[:TTT]][AM | PM] ). Legal date format depends on the "
        "separator, for '-' the format is considered to be ( [yy]yy - mm - dd ), for '.' the "
        "format is considered to be ( dd.mm.yy[yy] ) and for '/' the format is considered to be "
        "( mm / dd / yy[yy] )."));
    types.push_back(simple("ObjRef", "Object reference: {#type-#id} or {#type-name}; the type "
                                     "part may be left out, as in {-#12}."));
    types.push_back(simple("ObjectType", "Name of an object type.", objectTypeNames()));

    types.push_back(sequence("Property", {req("name", "s:string"), opt("value", "s:string")},
                             "A named value."));
    types.push_back(arrayOf("ArrayOfProperty", "property", "tns:Property"));
    types.push_back(arrayOf("ArrayOfString", "item", "s:string"));
    types.push_back(arrayOf("ArrayOfObjRef", "ref", "tns:ObjRef"));
    types.push_back(
        sequence("AccessItem", {req("name", "s:string", "Read, Edit, Delete or Access."),
                                req("value", "s:boolean", "Granted or denied.")}));
    types.push_back(arrayOf("ArrayOfAccessItem", "access", "tns:AccessItem"));
    types.push_back(
        sequence("IdentityAccess", {req("identityRef", "tns:ObjRef", "A user or a group."),
                                    readOnly(opt("identityName", "s:string")),
                                    opt("access", "tns:ArrayOfAccessItem")}));
    types.push_back(arrayOf("ArrayOfIdentityAccess", "identityAccess", "tns:IdentityAccess"));
    types.push_back(
        sequence("ObjectAccess", {opt("objRef", "tns:ObjRef"), opt("objType", "tns:ObjectType"),
                                  opt("identityAccess", "tns:ArrayOfIdentityAccess")}));
    types.push_back(
        sequence("HistoryItem", {opt("timestamp", "tns:DateTime", "UTC, yyyy-mm-dd HH:MM:SS."),
                                 opt("user", "s:string"),
                                 opt("action", "s:string", "Created, Modified or Deleted."),
                                 opt("objRef", "tns:ObjRef"), opt("objType", "tns:ObjectType"),
                                 opt("objName", "s:string"), opt("comment", "s:string")}));
    types.push_back(arrayOf("ArrayOfHistoryItem", "historyItem", "tns:HistoryItem"));
    types.push_back(
        sequence("PropertyDefinition",
                 {req("name", "s:string"),
                  opt("type", "s:string", "String (the default), Integer, Boolean or IPAddress."),
                  opt("description", "s:string"), opt("mandatory", "s:boolean"),
                  opt("readOnly", "s:boolean"), readOnly(opt("system", "s:boolean")),
                  opt("defaultValue", "s:string"),
                  opt("listItems", "tns:ArrayOfString", "When given, the only values allowed.")},
                 "A custom property of an object type."));
    types.push_back(
        arrayOf("ArrayOfPropertyDefinition", "propertyDefinition", "tns:PropertyDefinition"));
    types.push_back(
        sequence("AddressBlock", {opt("from", "tns:IPAddress"), opt("to", "tns:IPAddress"),
                                  opt("size", "s:unsignedInt")}));
    types.push_back(arrayOf("ArrayOfAddressBlock", "addressBlock", "tns:AddressBlock"));
    types.push_back(sequence("RangeStatistics",
                             {opt("total", "s:unsignedInt"), opt("assigned", "s:unsignedInt"),
                              opt("reserved", "s:unsignedInt"), opt("free", "s:unsignedInt"),
                              opt("utilizationPercentage", "s:int")}));
    types.push_back(sequence("SignInOptions",
                             {opt("form", "s:string", "Login name and password."),
                              opt("sso", "s:string", "Single sign-on with the Windows account."),
                              opt("external", "s:string", "An external identity provider.")}));
    types.push_back(
        sequence("ReportSource", {opt("name", "s:string"), opt("description", "s:string"),
                                  opt("columns", "tns:ArrayOfString")}));
    types.push_back(arrayOf("ArrayOfReportSource", "reportSource", "tns:ReportSource"));
    types.push_back(sequence(
        "FolderItem",
        {opt("ref", "tns:ObjRef"), opt("objType", "tns:ObjectType"), opt("name", "s:string")},
        "An object in a folder. The answer names the object's own type "
        "with xsi:type, which adds that type's fields."));
    types.push_back(arrayOf("ArrayOfFolderItem", "object", "tns:FolderItem"));
    return types;
}

// Per kind: the object type, its list type and its folder item type.
void addKindTypes(const Kind& inKind, std::vector<Type>& ioTypes) {
    const std::string name = schemaTypeOf(inKind);
    // Every field is optional in the schema: the type describes answers and additions alike;
    // what an addition needs is checked by the command.
    std::vector<Field> own = inKind.fields;
    for (Field& field : own)
        field.required = false;
    own.push_back(opt("customProperties", "tns:ArrayOfProperty"));
    std::vector<Field> fields = {readOnly(opt("ref", "tns:ObjRef")), opt("name", "s:string")};
    fields.insert(fields.end(), own.begin(), own.end());
    ioTypes.push_back(sequence(name, fields, inKind.doc));
    ioTypes.push_back(arrayOf("ArrayOf" + name, inKind.item, "tns:" + name));

    Type item{name + "FolderItem", Type::Form::extension, "tns:FolderItem", {}, {}, {}};
    item.fields = own;
    item.doc =
        "A " + std::string(kObjectType[inKind.type][kObjectTypeDisplayColumn]) + " in a folder.";
    ioTypes.push_back(std::move(item));
}

void addKindCommands(const Kind& inKind, std::vector<Command>& ioCommands) {
    const std::string typeRef = "tns:" + schemaTypeOf(inKind);
    const std::string display = kObjectType[inKind.type][kObjectTypeDisplayColumn];
    if (!inKind.listCommand.empty()) {
        std::vector<Field> scopes;
        for (const std::string& scope : inKind.scopes)
            scopes.push_back(opt(scope, "tns:ObjRef", "Only objects that belong to it."));
        Command list = custom(inKind.listCommand, inKind.family, "Lists " + display + " objects.",
                              withPaging(scopes),
                              {opt(inKind.list, "tns:ArrayOf" + schemaTypeOf(inKind)),
                               req("totalResults", "s:int", "Matches before offset and limit.")});
        list.action = Action::listObjects;
        list.kind = inKind.type;
        // The addresses of a range are its IPAM records; the range is the list's scope.
        if (inKind.type == obj_ipAddress)
            list.input.insert(list.input.begin(), req("rangeRef", "tns:ObjRef"));
        ioCommands.push_back(std::move(list));
    }
    if (!inKind.getCommand.empty()) {
        Command get = custom(inKind.getCommand, inKind.family, "Answers one " + display + ".",
                             {req(inKind.refArg, "tns:ObjRef")}, {req(inKind.item, typeRef)});
        get.action = Action::getObject;
        get.kind = inKind.type;
        // An address may be named by its reference or given as it is.
        if (inKind.type == obj_ipAddress) {
            get.input.clear();
            get.choice = {req(inKind.refArg, "tns:ObjRef"), req("address", "tns:IPAddress")};
        }
        ioCommands.push_back(std::move(get));
    }
    if (!inKind.addCommand.empty()) {
        Command add = custom(
            inKind.addCommand, inKind.family, "Adds a " + display + " and answers its reference.",
            {req(inKind.item, typeRef), saveComment()}, {req("ref", "tns:ObjRef")});
        add.action = Action::addObject;
        add.kind = inKind.type;
        ioCommands.push_back(std::move(add));
    }
}

std::vector<Command> makeGeneralCommands() {
    std::vector<Command> commands;
    Command preLogin = custom(
        "web_getPreLoginInfo", "general", "What a login page shows before anyone logs in.", {},
        {opt("signInOptions", "tns:SignInOptions"), opt("preferExternalAuth", "s:boolean"),
         opt("loginBanner", "s:string")});
    preLogin.withoutSession = true;
    commands.push_back(preLogin);

    Command login = custom("Login", "general", "Opens a session; answered by the web service.",
                           {opt("server", "s:string"), req("loginName", "s:string"),
                            opt("password", "s:string"), opt("singleSignon", "s:boolean"),
                            opt("replaceControlCharacters", "s:boolean"),
                            opt("unauthorizedAsForbidden", "s:boolean")},
                           {req("session", "s:string"), opt("userName", "s:string")});
    login.gatewayOnly = true;
    login.withoutSession = true;
    commands.push_back(login);
    Command logout =
        custom("Logout", "general", "Ends the session; answered by the web service.", {}, {});
    logout.gatewayOnly = true;
    commands.push_back(logout);

    commands.push_back(custom(
        "SetProperties", "general", "Sets fields and custom properties of an object.",
        {req("ref", "tns:ObjRef"), req("properties", "tns:ArrayOfProperty"), saveComment()}, {}));
    commands.push_back(
        custom("RemoveObject", "general", "Removes an object and the objects it owns.",
               {req("ref", "tns:ObjRef"), opt("objType", "tns:ObjectType"), saveComment()}, {}));
    commands.push_back(custom("GetObjectAccess", "general",
                              "Answers who may do what with an object.", {req("ref", "tns:ObjRef")},
                              {req("objectAccess", "tns:ObjectAccess")}));
    commands.push_back(custom("SetObjectAccess", "general",
                              "Grants or denies access to objects for users and groups.",
                              {req("objRefs", "tns:ArrayOfObjRef"),
                               req("identityAccess", "tns:ArrayOfIdentityAccess"), saveComment()},
                              {}));
    commands.push_back(
        custom("GetHistory", "general", "Lists the changes of an object, oldest first.",
               withPaging({req("objRef", "tns:ObjRef")}),
               {opt("historyItems", "tns:ArrayOfHistoryItem"), req("totalResults", "s:int")}));

    const Field objType = req("objType", "tns:ObjectType");
    const Field property = req("property", "s:string", "Name of the property definition.");
    commands.push_back(custom("GetPropertyDefinitions", "general",
                              "Lists the custom properties of an object type.",
                              withPaging({objType}),
                              {opt("propertyDefinitions", "tns:ArrayOfPropertyDefinition"),
                               req("totalResults", "s:int")}));
    commands.push_back(custom("GetPropertyDefinition", "general",
                              "Answers one custom property of an object type.", {objType, property},
                              {req("propertyDefinition", "tns:PropertyDefinition")}));
    commands.push_back(custom(
        "AddPropertyDefinition", "general", "Adds a custom property to an object type.",
        {objType, req("propertyDefinition", "tns:PropertyDefinition")}, {req("name", "s:string")}));
    commands.push_back(
        custom("ModifyPropertyDefinition", "general",
               "Changes a custom property; a new name renames its values.",
               {objType, property, req("propertyDefinition", "tns:PropertyDefinition")}, {}));
    commands.push_back(custom("RemovePropertyDefinition", "general",
                              "Removes a custom property and its values.", {objType, property},
                              {}));
    return commands;
}

std::vector<Command> makeSpecialCommands() {
    std::vector<Command> commands;
    const Field dnsZoneRef = req("dnsZoneRef", "tns:ObjRef");
    commands.push_back(custom("AddDNSRecords", "dns", "Adds several DNS records at once.",
                              {req("dnsRecords", "tns:ArrayOfDNSRecord"), saveComment()},
                              {req("objRefs", "tns:ArrayOfObjRef")}));
    commands.push_back(
        custom("GetRelatedDNSRecords", "dns",
               "Lists the records that point at a record or that it points at.",
               {req("dnsRecordRef", "tns:ObjRef")},
               {opt("dnsRecords", "tns:ArrayOfDNSRecord"), req("totalResults", "s:int")}));
    commands.push_back(custom("GetDNSZoneOptions", "dns", "Answers the options of a zone.",
                              {dnsZoneRef}, {opt("options", "tns:ArrayOfProperty")}));
    commands.push_back(
        custom("SetDNSZoneOptions", "dns", "Sets options of a zone; an empty value removes one.",
               {dnsZoneRef, req("options", "tns:ArrayOfProperty"), saveComment()}, {}));

    const Field rangeRef = req("rangeRef", "tns:ObjRef");
    const Field addrRef = req("addrRef", "tns:ObjRef");
    commands.push_back(custom("GetSubranges", "ipam", "Lists the ranges directly inside a range.",
                              withPaging({req("parentRef", "tns:ObjRef")}),
                              {opt("ranges", "tns:ArrayOfRange"), req("totalResults", "s:int")}));
    commands.push_back(custom("GetAddressBlocks", "ipam",
                              "Lists the blocks of a range: its subranges and the gaps between.",
                              {rangeRef}, {opt("addressBlocks", "tns:ArrayOfAddressBlock")}));
    commands.push_back(custom("GetAvailableAddressBlocks", "ipam",
                              "Lists the parts of a range that no subrange covers.",
                              {rangeRef, opt("size", "s:unsignedInt", "Smallest size wanted.")},
                              {opt("addressBlocks", "tns:ArrayOfAddressBlock")}));
    commands.push_back(custom("GetInheritAccess", "ipam",
                              "Answers whether a range takes its access from its parent.",
                              {rangeRef}, {req("inheritAccess", "s:boolean")}));
    commands.push_back(custom(
        "GetNextFreeAddress", "ipam", "Answers the first free address of a range.",
        {rangeRef, opt("startAddress", "tns:IPAddress")}, {req("address", "tns:IPAddress")}));
    commands.push_back(custom("GetRangeStatistics", "ipam", "Counts the addresses of a range.",
                              {rangeRef}, {req("rangeStatistics", "tns:RangeStatistics")}));
    commands.push_back(custom("GetRangeByIPAddress", "ipam",
                              "Answers the innermost range that holds an address.", {addrRef},
                              {req("range", "tns:Range")}));
    commands.push_back(custom("Ping", "ipam", "Answers whether an address is in use.", {addrRef},
                              {req("address", "tns:IPAddress"), req("reachable", "s:boolean")}));

    const Field userRef = req("userRef", "tns:ObjRef");
    const Field groupRef = req("groupRef", "tns:ObjRef");
    const Field roleRef = req("roleRef", "tns:ObjRef");
    commands.push_back(custom("AddUserToGroup", "users", "Makes a user a member of a group.",
                              {groupRef, userRef}, {}));
    commands.push_back(custom("RemoveUserFromGroup", "users", "Takes a user out of a group.",
                              {groupRef, userRef}, {}));
    commands.push_back(
        custom("AddRoleToGroup", "users", "Gives a role to a group.", {groupRef, roleRef}, {}));
    commands.push_back(custom("RemoveRoleFromGroup", "users", "Takes a role from a group.",
                              {groupRef, roleRef}, {}));
    commands.push_back(
        custom("AddRoleToUser", "users", "Gives a role to a user.", {userRef, roleRef}, {}));
    commands.push_back(
        custom("RemoveRoleFromUser", "users", "Takes a role from a user.", {userRef, roleRef}, {}));

    const Field objRefs = req("objRefs", "tns:ArrayOfObjRef");
    commands.push_back(custom("GetFolderForObject", "folders", "Answers the folder of an object.",
                              {req("ref", "tns:ObjRef")}, {opt("folder", "tns:Folder")}));
    commands.push_back(custom("PlaceInFolder", "folders", "Moves objects into a folder.",
                              {objRefs, req("folderRef", "tns:ObjRef")}, {}));
    commands.push_back(custom("RemoveFromFolder", "folders",
                              "Takes objects out of their folder (of the given one, if named).",
                              {objRefs, opt("folderRef", "tns:ObjRef")}, {}));
    commands.push_back(custom(
        "GetObjectsInFolder", "folders", "Lists the objects and folders directly in a folder.",
        withPaging({req("folderRef", "tns:ObjRef")}),
        {opt("objects", "tns:ArrayOfFolderItem"), req("totalResults", "s:int")}));

    commands.push_back(custom("GetReportSources", "reports", "Lists what reports can be made of.",
                              {}, {opt("reportSources", "tns:ArrayOfReportSource")}));
    commands.push_back(custom("GetReportSource", "reports", "Answers one report source.",
                              {req("name", "s:string")},
                              {req("reportSource", "tns:ReportSource")}));
    commands.push_back(custom("RunReport", "reports",
                              "Makes a report from a report definition and answers its reference.",
                              {req("reportDefinitionRef", "tns:ObjRef")},
                              {req("ref", "tns:ObjRef")}));
    commands.push_back(custom(
        "GetReportFile", "reports",
        "Answers a report's file. Through the web service the answer is "
        "the file itself.",
        {req("ref", "tns:ObjRef")},
        {req("fileName", "s:string"), req("contentType", "s:string"), req("content", "s:string")}));
    return commands;
}

} // namespace

bool ztCentralEqualNoCase(std::string_view inLeft, std::string_view inRight) {
    return inLeft.size() == inRight.size() &&
           std::equal(inLeft.begin(), inLeft.end(), inRight.begin(),
                      [](char inA, char inB) { return lowerAscii(inA) == lowerAscii(inB); });
}

ztCentralCatalog::ztCentralCatalog() : itsTypes(makeFixedTypes()), itsKinds(makeKinds()) {
    itsCommands = makeGeneralCommands();
    for (const Kind& kind : itsKinds) {
        addKindTypes(kind, itsTypes);
        addKindCommands(kind, itsCommands);
    }
    std::vector<Command> special = makeSpecialCommands();
    itsCommands.insert(itsCommands.end(), special.begin(), special.end());
}

std::string ztCentralCatalog::schemaType(const Kind& inKind) {
    // "IPAddress" is taken: it is the simple type of an address.
    return inKind.type == obj_ipAddress ? std::string("IPAMRecord")
                                        : std::string(objectTypeName(inKind.type));
}

const ztCentralCatalog& ztCentralCatalog::instance() {
    // Never destroyed, so server threads still running at exit can go on reading it.
    static const ztCentralCatalog* theCatalog = new ztCentralCatalog();
    return *theCatalog;
}

std::vector<std::string> ztCentralCatalog::families() const {
    std::set<std::string> names;
    for (const Command& command : itsCommands)
        names.insert(command.family);
    return {names.begin(), names.end()};
}

const ztCentralCatalog::Command* ztCentralCatalog::findCommand(std::string_view inName) const {
    for (const Command& command : itsCommands)
        if (ztCentralEqualNoCase(command.name, inName))
            return &command;
    return nullptr;
}

const ztCentralCatalog::Type* ztCentralCatalog::findType(std::string_view inName) const {
    if (inName.substr(0, 4) == "tns:")
        inName.remove_prefix(4);
    for (const Type& type : itsTypes)
        if (ztCentralEqualNoCase(type.name, inName))
            return &type;
    return nullptr;
}

const ztCentralCatalog::Kind* ztCentralCatalog::findKind(ztObjType inType) const {
    for (const Kind& kind : itsKinds)
        if (kind.type == inType)
            return &kind;
    return nullptr;
}

const ztCentralCatalog::Field* ztCentralCatalog::findField(const Kind& inKind,
                                                           std::string_view inName) {
    for (const Field& field : inKind.fields)
        if (ztCentralEqualNoCase(field.name, inName))
            return &field;
    return nullptr;
}
