// The REST route table and look-up: the shape of the table and tree, the matching rules
// (literal first with fall-back, case, parameter values over several segments, bindings)
// and the conversions between REST references and reference text.
#include "ztxmlint/restCommands.h"

#include "ztxmlint/restReference.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

using Arguments = std::map<std::string, std::string>;

struct LookupRow {
    const char* name;
    int method;
    const char* path;
    const char* command;   // empty: the look-up fails
    const char* arguments; // name=value, separated by "|"
};

Arguments parseArguments(std::string_view inText) {
    Arguments arguments;
    while (!inText.empty()) {
        const std::string_view pair = inText.substr(0, inText.find('|'));
        const size_t equals = pair.find('=');
        arguments.emplace(pair.substr(0, equals), pair.substr(equals + 1));
        inText.remove_prefix(std::min(inText.size(), pair.size() + 1));
    }
    return arguments;
}

TEST(restCommandsTest, LookupMapsPathsAndMethodsToCommands) {
    const int get = restMethodGet, put = restMethodPut, post = restMethodPost,
              del = restMethodDelete;
    const LookupRow rows[] = {
        {"item by id", get, "DNSZones/12", "GetDNSZone", "dnsZoneRef={#4-#12}"},
        {"literals ignore case", get, "dnszones/12", "GetDNSZone", "dnsZoneRef={#4-#12}"},
        {"one trailing slash", get, "DNSZones/12/", "GetDNSZone", "dnsZoneRef={#4-#12}"},
        {"two trailing slashes", get, "DNSZones/12//", "", ""},
        {"leading slash", get, "/DNSZones", "", ""},
        {"empty path", get, "", "", ""},
        {"literal without command falls back to a parameter", get, "DNSZones/GenerateDirectives",
         "GetDNSZone", "dnsZoneRef={#4-GenerateDirectives}"},
        {"literal with command", get, "DNSZones/GenerateDirectives/7", "GetDNSGenerateDirective",
         "dnsGenerateDirectiveRef=7"},
        {"type from the first segment", del, "DNSZones/GenerateDirectives/7", "RemoveObject",
         "ref={#4-#7}"},
        {"parameter then literal", post, "DNSZones/12/GenerateDirectives",
         "AddDNSGenerateDirective", "dnsZoneRef={#4-#12}"},
        {"row without commands", get, "DHCPAddressPools", "", ""},
        {"method not offered", put, "Ranges", "", ""},
        {"collection POST", post, "DNSZones", "AddDNSZone", ""},
        {"collection without GET", get, "DNSRecords", "", ""},
        {"two arguments, the first unnamed", del, "CloudNetworks/5/Ranges/9",
         "RemoveFromCloudNetwork", "rangeRefs:ref={#6-#9}"},
        {"direct command", get, "command/GetDNSZones", "GetDNSZones", ""},
        {"direct command in any case", post, "Command/GetDNSZones", "GetDNSZones", ""},
        {"direct command refuses DELETE", del, "command/GetDNSZones", "", ""},
        {"direct command without name", get, "command//", "", ""},
        {"direct command needs two segments", get, "command/GetDNSZones/x", "", ""},
        {"set properties", put, "DNSZones/12", "SetProperties", "ref={#4-#12}"},
        {"collection name before the value", put, "DNSZones/DNSZones/12", "SetProperties",
         "ref={#4-#12}"},
        {"collection name gives another type", get, "DNSZones/Users/5", "GetDNSZone",
         "dnsZoneRef={#14-#5}"},
        {"name reference", get, "DNSZones/~12", "GetDNSZone", "dnsZoneRef={#4-12}"},
        {"segment spelled like the parameter key", get, "DNSZones/{}", "GetDNSZone",
         "dnsZoneRef={#4-{}}"},
        {"plain binding", del, "DHCPScopes/12/Leases/10.0.0.5", "ReleaseDHCPLease",
         "dhcpScopeRef={#7-#12}|lease=10.0.0.5"},
        {"address and prefix", get, "Ranges/10.0.0.0/24", "GetRange", "rangeRef={#6-10.0.0.0/24}"},
        {"address and prefix, then a literal", get, "Ranges/10.0.0.0/24/Subranges", "GetSubranges",
         "parentRef={#6-10.0.0.0/24}"},
        {"IPv6 prefix", get, "Ranges/2001:db8::/32", "GetRange", "rangeRef={#6-2001:db8::/32}"},
        {"address alone", post, "IPAMRecords/10.0.0.5/Ping", "Ping", "addrRef={#8-10.0.0.5}"},
        {"record defaults", post, "DNSZones/12/DNSRecords", "AddDNSRecord",
         "dnsRecord:dnsZoneRef={#4-#12}|dnsRecord:enabled=1|dnsRecord:ttl="},
        {"property definitions take the collection's type", get, "Users/12/PropertyDefinitions",
         "GetPropertyDefinitions", "objType=User"},
        {"property definition by name", put, "dnszones/x/PropertyDefinitions/Owner",
         "ModifyPropertyDefinition", "objType=DNSZone|property=Owner"},
        {"domain account", get, "Users/CORP//carol", "GetUser", "userRef={#14-CORP\\carol}"},
        {"domain account after the collection name", get, "Users/Users/CORP//carol/Roles",
         "GetRoles", "userRef={#14-CORP\\carol}"},
        {"overriding names", put, "DHCPScopes/3/Folders/4", "PlaceInFolder",
         "objRefs:ref={#7-#3}|folderRef={#22-#4}"},
        {"overriding name for one method only", get, "DHCPAddressPools/3/OptionsDefinitions",
         "GetDHCPOptionDefinitions", "ref={#10-#3}"},
        {"path name for the other methods", put, "DHCPAddressPools/3/OptionsDefinitions",
         "ModifyDHCPOptionDefinition", "dhcpServerRef={#10-#3}"},
        {"two references", put, "Groups/5/Users/7", "AddUserToGroup",
         "groupRef={#16-#5}|userRef={#14-#7}"},
        {"plain name with a blank", get, "ReportSources/All zones", "GetReportSource",
         "name=All zones"},
        {"history only", get, "Reports/4/History", "GetHistory", "objRef={#34-#4}"},
        {"no access rows", get, "Reports/4/Access", "", ""},
        {"report file", get, "Reports/4/File", "GetReportFile", "ref={#34-#4}"},
    };
    for (const LookupRow& row : rows) {
        SCOPED_TRACE(row.name);
        std::string command;
        restArgumentMap arguments;
        const bool found = *row.command != '\0';
        ASSERT_EQ(lookupRestCommand(row.path, row.method, command, arguments), found);
        if (!found)
            continue;
        EXPECT_EQ(command, row.command);
        EXPECT_EQ(Arguments(arguments.begin(), arguments.end()), parseArguments(row.arguments));
    }
}

TEST(restCommandsTest, TreeHoldsEveryRowOnce) {
    const std::vector<restRoute>& table = restRouteTable();
    EXPECT_EQ(table.size(), 239u);
    // Parameter names set aside, no two rows share a pattern.
    std::set<std::string, restNoCaseLess> patterns;
    for (const restRoute& route : table) {
        std::string pattern;
        bool inBraces = false;
        for (const char c : route.itsPath) {
            if (c == '}')
                inBraces = false;
            if (!inBraces)
                pattern += c;
            if (c == '{')
                inBraces = true;
        }
        EXPECT_TRUE(patterns.insert(pattern).second) << route.itsPath;
    }
    // Every row ends at a node of its own.
    size_t ends = 0;
    std::vector<const restRouteNode*> pending{&buildRouteTree()};
    while (!pending.empty()) {
        const restRouteNode* node = pending.back();
        pending.pop_back();
        ends += node->itsRoute != nullptr;
        for (const auto& child : node->itsChildren)
            pending.push_back(child.second.get());
    }
    EXPECT_EQ(ends, 239u);
}

// A request path for inPattern: every parameter becomes inValue.
std::string concretePath(const std::string& inPattern, const std::string& inValue) {
    std::string path;
    size_t pos = 0;
    while (pos < inPattern.size()) {
        const size_t open = inPattern.find('{', pos);
        if (open == std::string::npos) {
            path += inPattern.substr(pos);
            break;
        }
        path += inPattern.substr(pos, open - pos) + inValue;
        pos = inPattern.find('}', open) + 1;
    }
    return path;
}

// The argument names a template binds: its list in parentheses, or the path's names.
std::vector<std::string> argumentNamesOf(const std::string& inPattern,
                                         const std::string& inTemplate) {
    std::vector<std::string> names;
    const size_t open = inTemplate.find('(');
    if (open != std::string::npos) {
        const std::string list = inTemplate.substr(open + 1, inTemplate.size() - open - 2);
        size_t start = 0;
        for (;;) {
            const size_t comma = list.find(',', start);
            names.push_back(list.substr(start, comma - start));
            if (comma == std::string::npos)
                return names;
            start = comma + 1;
        }
    }
    for (size_t pos = inPattern.find('{'); pos != std::string::npos;
         pos = inPattern.find('{', pos + 1))
        names.push_back(inPattern.substr(pos + 1, inPattern.find('}', pos) - pos - 1));
    return names;
}

TEST(restCommandsTest, EveryRowsCommandsAreReachableWithTheirMethods) {
    for (const restRoute& route : restRouteTable()) {
        const std::string path = concretePath(route.itsPath, "12");
        for (size_t column = 0; column < restRouteMethods.size(); ++column) {
            const std::string& templ = route.itsTemplates[column];
            SCOPED_TRACE(route.itsPath + " " + std::to_string(restRouteMethods[column]));
            std::string command;
            restArgumentMap arguments;
            const bool found =
                lookupRestCommand(path, restRouteMethods[column], command, arguments);
            ASSERT_EQ(found, !templ.empty());
            if (!found)
                continue;
            EXPECT_EQ(command, templ.substr(0, templ.find('(')));
            // Every named parameter is bound: plain names to the value, others to a
            // reference to it.
            const std::vector<std::string> names = argumentNamesOf(route.itsPath, templ);
            size_t bound = 0;
            for (const std::string& name : names) {
                if (name.empty())
                    continue;
                ++bound;
                const bool plain = name[0] == '~';
                const auto found = arguments.find(plain ? name.substr(1) : name);
                ASSERT_NE(found, arguments.end()) << name;
                if (plain)
                    EXPECT_EQ(found->second, "12");
                else
                    EXPECT_NE(found->second.find("-#12}"), std::string::npos) << found->second;
            }
            bound += arguments.count("objType") + arguments.count("dnsRecord:enabled") +
                     arguments.count("dnsRecord:ttl");
            EXPECT_EQ(arguments.size(), bound);
        }
    }
}

TEST(restReferenceTest, ConversionsBetweenRestAndReferenceText) {
    struct Row {
        const char* input;
        const char* output;
    };
    const struct {
        ztObjType type;
        const char* value;
        const char* reference;
    } made[] = {
        {obj_dnsZone, "12", "{#4-#12}"},
        {obj_dnsZone, "example.com.", "{#4-example.com.}"},
        {obj_dnsZone, "~12", "{#4-12}"},
        {obj_unknown, "12", "{-#12}"},
        {obj_dnsZone, "", "{#4-}"},
        {obj_unknown, "", "{-}"},
        {obj_range, "10.0.0.0/24", "{#6-10.0.0.0/24}"},
    };
    for (const auto& row : made) {
        SCOPED_TRACE(row.reference);
        EXPECT_EQ(makeRef(row.type, row.value), row.reference);
    }
    const Row toRef[] = {
        {"", ""},
        {"12", "{-#12}"},
        {"~12", "{-12}"},
        {"DNSZones/12", "{#4-#12}"},
        {"dnszones/12", "{#4-#12}"},
        {"DNSZones/~12", "{#4-12}"},
        {"DNSZones/example.com.", "{#4-example.com.}"},
        {"Ranges/10.0.0.0/24", "{#6-10.0.0.0/24}"},
        {"10.0.0.1", "{-10.0.0.1}"},
        {"10.0.0.0/24", "{-10.0.0.0/24}"},
        {"2001:db8::1", "{-2001:db8::1}"},
        {"{#4-#12}", "{#4-#12}"},
        {"DNSZones", "{-DNSZones}"},
        {"Groups/DNS Admins", "{#16-DNS Admins}"},
        {"Users/CORP\\carol", "{#14-CORP\\carol}"},
        {"DNSZones/a\"b", "{#4-a\"b}"},
        {"DNSZones/", "{#4-}"},
        // What cannot be read whole comes back as it was.
        {"DNSZones/a{b", "DNSZones/a{b"},
        {"a\nb", "a\nb"},
        {"~~12", "~~12"},
        {"Users/CORP\\", "Users/CORP\\"},
    };
    for (const Row& row : toRef) {
        SCOPED_TRACE(row.input);
        EXPECT_EQ(restToRef(row.input), row.output);
    }
    const Row toRest[] = {
        {"{#4-#12}", "DNSZones/12"},
        {"{#4-example.com.}", "DNSZones/example.com."},
        {"{#6-10.0.0.0/24}", "Ranges/10.0.0.0/24"},
        {"{#16-DNS Admins}", "Groups/DNS Admins"},
        {"{#14-CORP\\carol}", "Users/CORP\\carol"},
        {"{#8-#3}", "IPAMRecords/3"},
        // A name of digits stays a name on the way back.
        {"{#4-12}", "DNSZones/~12"},
        {"{-#12}", "{-#12}"},
        // No REST form reads back as these.
        {"{#4-#abc}", "{#4-#abc}"},
        {"{#4-~x}", "{#4-~x}"},
        {"{#4-a{b}", "{#4-a{b}"},
        {"{#4-my-zone}", "{#4-my-zone}"},
        {"{#42-#1}", "{#42-#1}"},
        {"{#15-#1}", "{#15-#1}"},
        {"{#99999999999999999999-#1}", "{#99999999999999999999-#1}"},
        {"{#4-#12}x", "{#4-#12}x"},
        {"{#4-#12}}", "{#4-#12}}"},
        {"{#4-}", "{#4-}"},
        {"DNSZones/12", "DNSZones/12"},
        {"", ""},
    };
    for (const Row& row : toRest) {
        SCOPED_TRACE(row.input);
        const std::string rest = refToRest(row.input);
        EXPECT_EQ(rest, row.output);
        if (rest != row.input) {
            EXPECT_EQ(restToRef(rest), row.input) << "round trip";
        }
    }
}

} // namespace
