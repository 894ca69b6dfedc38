// The route table, the tree built from it, and the match of a request path against it with
// the binding of parameter values to command arguments.
#include "ztxmlint/restCommands.h"

#include "datastruct/ztObjReference.h"
#include "messages/ztAssert.h"
#include "util/ztIPv6.h"
#include "ztxmlint/restReference.h"

#include <algorithm>

namespace {

char lowerAscii(char inChar) {
    return (inChar >= 'A' && inChar <= 'Z') ? static_cast<char>(inChar - 'A' + 'a') : inChar;
}

bool equalsNoCase(std::string_view inLeft, std::string_view inRight) {
    return inLeft.size() == inRight.size() &&
           std::equal(inLeft.begin(), inLeft.end(), inRight.begin(),
                      [](char inA, char inB) { return lowerAscii(inA) == lowerAscii(inB); });
}

bool containsNoCase(std::string_view inText, std::string_view inPart) {
    return std::search(inText.begin(), inText.end(), inPart.begin(), inPart.end(),
                       [](char inA, char inB) { return lowerAscii(inA) == lowerAscii(inB); }) !=
           inText.end();
}

bool isDecimal(std::string_view inText) {
    return !inText.empty() &&
           std::all_of(inText.begin(), inText.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Which rows of the standard block a collection has besides its collection row.
enum class SubRows { all, historyOnly, none };

// A collection whose rows follow the standard block. An empty item parameter means the
// collection has no item row of the standard form (its item row, if any, is among the
// other rows).
struct Collection {
    const char* name;
    bool hasCollectionRow;
    const char* listCommand; // GET on the collection; may be empty
    const char* addCommand;  // POST on the collection; may be empty
    const char* itemParameter;
    const char* itemCommand; // GET on an item
    SubRows subRows;
};

// clang-format off
constexpr Collection kCollections[] = {
    {"AddressSpaces", true, "GetAddressSpaces", "AddAddressSpace", "{addressSpaceRef}", "GetAddressSpace", SubRows::all},
    {"ADForests", true, "GetADForests", "AddADForest", "{adForestRef}", "GetADForest", SubRows::all},
    {"ADSites", true, "GetADSites", "AddADSite", "{adSiteRef}", "GetADSite", SubRows::all},
    {"ADSiteLinks", true, "GetADSiteLinks", "AddADSiteLink", "{adSiteLinkRef}", "GetADSiteLink", SubRows::all},
    {"ChangeRequests", true, "GetChangeRequests", "AddChangeRequest", "{changeRequestRef}", "GetChangeRequest", SubRows::all},
    {"CloudServiceAccounts", true, "GetCloudServiceAccounts", "AddCloudServiceAccount", "{cloudRef}", "GetCloudServiceAccount", SubRows::all},
    {"CloudNetworks", true, "GetCloudNetworks", "AddCloudNetwork", "{cloudNetworkRef}", "GetCloudNetwork", SubRows::all},
    {"Devices", true, "GetDevices", "AddDevice", "{deviceRef}", "GetDevice", SubRows::all},
    {"DHCPAddressPools", true, "", "", "{dhcpAddressPoolRef}", "GetDHCPAddressPool", SubRows::all},
    {"DHCPExclusions", true, "", "", "{dhcpExclusionRef}", "GetDHCPExclusion", SubRows::all},
    {"DHCPGroups", true, "", "", "{dhcpGroupRef}", "GetDHCPGroup", SubRows::all},
    {"DHCPReservations", true, "", "", "{dhcpReservationRef}", "GetDHCPReservation", SubRows::all},
    {"DHCPScopes", true, "GetDHCPScopes", "AddDHCPScope", "{dhcpScopeRef}", "GetDHCPScope", SubRows::all},
    {"DHCPServers", true, "GetDHCPServers", "AddDHCPServer", "{dhcpServerRef}", "GetDHCPServer", SubRows::all},
    {"DNSZones", true, "GetDNSZones", "AddDNSZone", "{dnsZoneRef}", "GetDNSZone", SubRows::all},
    {"DNSRecords", true, "", "AddDNSRecords", "{dnsRecordRef}", "GetDNSRecord", SubRows::all},
    {"DNSServers", true, "GetDNSServers", "AddDNSServer", "{dnsServerRef}", "GetDNSServer", SubRows::all},
    {"DNSViews", true, "GetDNSViews", "", "", "", SubRows::none},
    {"Folders", true, "GetFolders", "AddFolder", "{folderRef}", "GetFolder", SubRows::all},
    {"Groups", true, "GetGroups", "AddGroup", "{groupRef}", "GetGroup", SubRows::all},
    {"Interfaces", true, "GetInterfaces", "AddInterface", "{interfaceRef}", "GetInterface", SubRows::all},
    {"Ranges", true, "GetRanges", "AddRange", "{rangeRef}", "GetRange", SubRows::all},
    {"ReportDefinitions", true, "GetReportDefinitions", "AddReportDefinition", "{reportDefinitionRef}", "GetReportDefinition", SubRows::all},
    {"Reports", true, "GetReports", "", "", "", SubRows::historyOnly},
    {"ReportSources", true, "GetReportSources", "", "", "", SubRows::none},
    {"Roles", true, "GetRoles", "AddRole", "{roleRef}", "GetRole", SubRows::all},
    {"Users", true, "GetUsers", "AddUser", "{userRef}", "GetUser", SubRows::all},
    {"IPAMRecords", false, "", "", "{addrRef}", "GetIPAMRecord", SubRows::all},
};

// Every row that is not part of a standard block: GET, PUT, POST, DELETE.
const restRoute kOtherRoutes[] = {
    {"ADSites/{adSiteRef}/Ranges", {"GetRanges", "", "PlaceInADSite", "RemoveFromADSite"}},
    {"CloudServiceAccounts/{cloudRef}/Information", {"GetCloudServiceInfo", "", "", ""}},
    {"CloudNetworks/{cloudNetworkRef}/Ranges", {"GetRanges", "", "PlaceInCloudNetwork", ""}},
    {"CloudNetworks/{cloudNetworkRef}/Ranges/{rangeRef}", {"", "", "", "RemoveFromCloudNetwork(,rangeRefs:ref)"}},
    {"DHCPAddressPools/{ref}/Options", {"GetDHCPOptions", "SetDHCPOptions", "", ""}},
    {"DHCPAddressPools/{ref}/InheritedOptions", {"GetInheritedDHCPOptions", "", "", ""}},
    {"DHCPAddressPools/{dhcpServerRef}/OptionsDefinitions", {"GetDHCPOptionDefinitions(ref)", "ModifyDHCPOptionDefinition", "AddDHCPOptionDefinition", "RemoveDHCPOptionDefinition"}},
    {"DHCPAddressPools/{dhcpAddressPoolRef}/PermitList", {"GetDHCPAddressPoolPermitList", "SetDHCPAddressPoolPermitList", "", ""}},
    {"DHCPGroups/{ref}/Options", {"GetDHCPOptions", "SetDHCPOptions", "", ""}},
    {"DHCPGroups/{ref}/InheritedOptions", {"GetInheritedDHCPOptions", "", "", ""}},
    {"DHCPGroups/{dhcpServerRef}/OptionsDefinitions", {"GetDHCPOptionDefinitions(ref)", "ModifyDHCPOptionDefinition", "AddDHCPOptionDefinition", "RemoveDHCPOptionDefinition"}},
    {"DHCPGroups/{ownerRef}/DHCPReservations", {"GetDHCPReservations", "", "AddDHCPReservation(dhcpReservation:ownerRef)", ""}},
    {"DHCPReservations/{ref}/Options", {"GetDHCPOptions", "SetDHCPOptions", "", ""}},
    {"DHCPReservations/{ref}/InheritedOptions", {"GetInheritedDHCPOptions", "", "", ""}},
    {"DHCPReservations/{dhcpServerRef}/OptionsDefinitions", {"GetDHCPOptionDefinitions(ref)", "ModifyDHCPOptionDefinition", "AddDHCPOptionDefinition", "RemoveDHCPOptionDefinition"}},
    {"DHCPScopes/{ref}/Folders", {"GetFolderForObject", "", "", "RemoveFromFolder(objRefs:ref)"}},
    {"DHCPScopes/{ref}/Folders/{folderRef}", {"", "PlaceInFolder(objRefs:ref,folderRef)", "", "RemoveFromFolder(objRefs:ref,folderRef)"}},
    {"DHCPScopes/{ownerRef}/Policies", {"GetDHCPPolicies", "", "AddDHCPPolicy", ""}},
    {"DHCPScopes/{ownerRef}/Policies/{~dhcpPolicyName}", {"", "ModifyDHCPPolicy", "", "RemoveDHCPPolicy"}},
    {"DHCPScopes/{ownerRef}/PolicyEnforcement", {"GetDHCPPolicyEnforcement", "SetDHCPPolicyEnforcement", "", ""}},
    {"DHCPScopes/{ref}/Options", {"GetDHCPOptions", "SetDHCPOptions", "", ""}},
    {"DHCPScopes/{ref}/InheritedOptions", {"GetInheritedDHCPOptions", "", "", ""}},
    {"DHCPScopes/{dhcpServerRef}/OptionsDefinitions", {"GetDHCPOptionDefinitions(ref)", "ModifyDHCPOptionDefinition", "AddDHCPOptionDefinition", "RemoveDHCPOptionDefinition"}},
    {"DHCPScopes/{dhcpScopeRef}/DHCPAddressPools", {"GetDHCPAddressPools", "", "AddDHCPAddressPool(dhcpAddressPool:dhcpScopeRef)", ""}},
    {"DHCPScopes/{dhcpScopeRef}/DHCPExclusions", {"GetDHCPExclusions", "", "AddDHCPExclusion(dhcpExclusion:dhcpScopeRef)", ""}},
    {"DHCPScopes/{ownerRef}/DHCPGroups", {"GetDHCPGroups", "", "AddDHCPGroup(dhcpGroup:ownerRef)", ""}},
    {"DHCPScopes/{ownerRef}/DHCPReservations", {"GetDHCPReservations", "", "AddDHCPReservation(dhcpReservation:ownerRef)", ""}},
    {"DHCPScopes/{dhcpScopeRef}/Leases", {"GetDHCPLeases", "", "AddDHCPLease(dhcpLease:dhcpScopeRef)", ""}},
    {"DHCPScopes/{dhcpScopeRef}/Leases/{~lease}", {"", "", "", "ReleaseDHCPLease"}},
    {"DHCPScopes/{objRef}/NextFreeReservationAddress", {"GetNextFreeReservationAddress", "", "", ""}},
    {"DHCPServers/{ownerRef}/Policies", {"GetDHCPPolicies", "", "AddDHCPPolicy", ""}},
    {"DHCPServers/{ownerRef}/Policies/{~dhcpPolicyName}", {"", "ModifyDHCPPolicy", "", "RemoveDHCPPolicy"}},
    {"DHCPServers/{ownerRef}/PolicyEnforcement", {"GetDHCPPolicyEnforcement", "SetDHCPPolicyEnforcement", "", ""}},
    {"DHCPServers/{ref}/Options", {"GetDHCPOptions", "SetDHCPOptions", "", ""}},
    {"DHCPServers/{ref}/InheritedOptions", {"GetInheritedDHCPOptions", "", "", ""}},
    {"DHCPServers/{dhcpServerRef}/OptionsDefinitions", {"GetDHCPOptionDefinitions(ref)", "ModifyDHCPOptionDefinition", "AddDHCPOptionDefinition", "RemoveDHCPOptionDefinition"}},
    {"DHCPServers/{ownerRef}/DHCPGroups", {"GetDHCPGroups", "", "AddDHCPGroup(dhcpGroup:ownerRef)", ""}},
    {"DHCPServers/{ownerRef}/DHCPReservations", {"GetDHCPReservations", "", "AddDHCPReservation(dhcpReservation:ownerRef)", ""}},
    {"DHCPServers/{dhcpServerRef}/ClassNames", {"GetDHCPClassNames", "", "", ""}},
    {"DHCPServers/{dhcpServerRef}/Subclasses/{~dhcpClassName}", {"GetDHCPSubclasses", "SetDHCPSubclasses", "", ""}},
    {"DHCPServers/{dhcpServerRef}/VendorAndUserClasses", {"GetDHCPVendorAndUserClasses", "", "", ""}},
    {"DHCPServers/{dhcpServerRef}/FailoverRelationships", {"GetDHCPFailoverRelationships", "", "AddDHCPFailoverRelationship", ""}},
    {"DHCPServers/{dhcpServerRef}/FailoverRelationships/{~dhcpFailoverRelationshipName}", {"GetDHCPFailoverRelationship", "", "", "RemoveDHCPFailoverRelationships"}},
    {"DNSZones/{ref}/Folders", {"GetFolderForObject", "", "", "RemoveFromFolder(objRefs:ref)"}},
    {"DNSZones/{ref}/Folders/{folderRef}", {"", "PlaceInFolder(objRefs:ref,folderRef)", "", "RemoveFromFolder(objRefs:ref,folderRef)"}},
    {"DNSZones/{dnsZoneRef}/Options", {"GetDNSZoneOptions", "SetDNSZoneOptions", "", ""}},
    {"DNSZones/{dnsZoneRef}/DNSRecords", {"GetDNSRecords", "", "AddDNSRecord(dnsRecord:dnsZoneRef)", ""}},
    {"DNSZones/{dnsZoneRef}/GenerateDirectives", {"GetDNSGenerateDirectives", "", "AddDNSGenerateDirective", ""}},
    {"DNSZones/{ref}/Scopes", {"GetDNSScopes", "", "", ""}},
    {"DNSZones/{dnsZoneRef}/KeyStorageProviders", {"GetKeyStorageProviders", "", "", ""}},
    {"DNSZones/GenerateDirectives/{~dnsGenerateDirectiveRef}", {"GetDNSGenerateDirective", "", "", "RemoveObject(ref)"}},
    {"DNSRecords/{dnsRecordRef}/RelatedDNSRecords", {"GetRelatedDNSRecords", "", "", "RemoveObject(ref)"}},
    {"DNSServers/{dnsServerRef}/DNSZones", {"GetDNSZones", "", "", ""}},
    {"DNSServers/{dnsServerRef}/DNSViews", {"GetDNSViews", "", "", ""}},
    {"DNSServers/{ref}/Scopes", {"GetDNSScopes", "", "", ""}},
    {"DNSServers/{dnsServerRef}/Options", {"GetDNSServerOptions", "SetDNSServerOptions", "", ""}},
    {"DNSServers/{dnsServerRef}/ADPartitions", {"GetADPartitions", "", "", ""}},
    {"DNSViews/{dnsViewRef}", {"GetDNSView", "", "", ""}},
    {"DNSViews/{dnsViewRef}/DNSZones", {"GetDNSZones", "", "", ""}},
    {"Folders/{ref}/Folders", {"GetFolderForObject", "", "", "RemoveFromFolder(objRefs:ref)"}},
    {"Folders/{ref}/Folders/{folderRef}", {"", "PlaceInFolder(objRefs:ref,folderRef)", "", "RemoveFromFolder(objRefs:ref,folderRef)"}},
    {"Folders/{folderRef}/Objects", {"GetObjectsInFolder", "", "", ""}},
    {"Groups/{groupRef}/Roles", {"GetRoles", "", "", ""}},
    {"Groups/{groupRef}/Roles/{roleRef}", {"", "AddRoleToGroup", "", "RemoveRoleFromGroup"}},
    {"Groups/{groupRef}/Users", {"GetUsers", "", "", ""}},
    {"Groups/{groupRef}/Users/{userRef}", {"", "AddUserToGroup", "", "RemoveUserFromGroup"}},
    {"Ranges/{ref}/Folders", {"GetFolderForObject", "", "", "RemoveFromFolder(objRefs:ref)"}},
    {"Ranges/{ref}/Folders/{folderRef}", {"", "PlaceInFolder(objRefs:ref,folderRef)", "", "RemoveFromFolder(objRefs:ref,folderRef)"}},
    {"Ranges/{rangeRef}/AddressBlocks", {"GetAddressBlocks", "", "", ""}},
    {"Ranges/{rangeRef}/AvailableAddressBlocks", {"GetAvailableAddressBlocks", "", "", ""}},
    {"Ranges/{rangeRef}/InheritAccess", {"GetInheritAccess", "", "", ""}},
    {"Ranges/{rangeRef}/NextFreeAddress", {"GetNextFreeAddress", "", "", ""}},
    {"Ranges/{rangeRef}/Statistics", {"GetRangeStatistics", "", "", ""}},
    {"Ranges/{parentRef}/Subranges", {"GetSubranges", "", "", ""}},
    {"Ranges/{rangeRef}/IPAMRecords", {"GetIPAMRecords", "", "", ""}},
    {"Ranges/{rangeRef}/DHCPReservations", {"GetDHCPReservations", "", "AddDHCPReservation(dhcpReservation:ownerRef)", ""}},
    {"Reports/{reportRef}", {"GetReport", "", "", ""}},
    {"Reports/{ref}/File", {"GetReportFile", "", "", ""}},
    {"ReportSources/{~name}", {"GetReportSource", "", "", ""}},
    {"Roles/{roleRef}/Groups", {"GetGroups", "", "", ""}},
    {"Roles/{roleRef}/Users", {"GetUsers", "", "", ""}},
    {"Users/{userRef}/Roles", {"GetRoles", "", "", ""}},
    {"Users/{userRef}/Roles/{roleRef}", {"", "AddRoleToUser", "", "RemoveRoleFromUser"}},
    {"Users/{userRef}/Groups", {"GetGroups", "", "", ""}},
    {"IPAMRecords/{addrRef}/Ping", {"", "", "Ping", ""}},
    {"IPAMRecords/{addrRef}/Range", {"GetRangeByIPAddress", "", "", ""}},
};
// clang-format on

void addStandardBlock(const Collection& inCollection, std::vector<restRoute>& ioRoutes) {
    const std::string name = inCollection.name;
    if (inCollection.hasCollectionRow)
        ioRoutes.push_back({name, {inCollection.listCommand, "", inCollection.addCommand, ""}});
    if (*inCollection.itemParameter != '\0')
        ioRoutes.push_back(
            {name + "/" + inCollection.itemParameter,
             {inCollection.itemCommand, "SetProperties(ref)", "", "RemoveObject(ref)"}});
    if (inCollection.subRows == SubRows::none)
        return;
    if (inCollection.subRows == SubRows::all)
        ioRoutes.push_back(
            {name + "/{ref}/Access", {"GetObjectAccess", "SetObjectAccess(objRefs:ref)", "", ""}});
    ioRoutes.push_back({name + "/{objRef}/History", {"GetHistory", "", "", ""}});
    if (inCollection.subRows != SubRows::all)
        return;
    ioRoutes.push_back({name + "/{}/PropertyDefinitions",
                        {"GetPropertyDefinitions", "", "AddPropertyDefinition", ""}});
    ioRoutes.push_back(
        {name + "/{}/PropertyDefinitions/{~property}",
         {"GetPropertyDefinition", "ModifyPropertyDefinition", "", "RemovePropertyDefinition"}});
}

std::vector<restRoute> makeRouteTable() {
    std::vector<restRoute> routes;
    for (const Collection& collection : kCollections)
        addStandardBlock(collection, routes);
    routes.insert(routes.end(), std::begin(kOtherRoutes), std::end(kOtherRoutes));
    return routes;
}

// The texts between the separators of inText; empty texts count, so "a//b" has three parts
// and "" has one.
std::vector<std::string_view> splitAt(std::string_view inText, char inSeparator) {
    std::vector<std::string_view> parts;
    for (;;) {
        const size_t separator = inText.find(inSeparator);
        parts.push_back(inText.substr(0, separator));
        if (separator == std::string_view::npos)
            return parts;
        inText.remove_prefix(separator + 1);
    }
}

bool isParameterSegment(std::string_view inSegment) {
    return inSegment.size() >= 2 && inSegment.front() == '{' && inSegment.back() == '}';
}

void addRoute(restRouteNode& ioRoot, const restRoute& inRoute) {
    std::vector<std::string> argumentNames;
    restRouteNode* node = &ioRoot;
    for (const std::string_view segment : splitAt(inRoute.itsPath, '/')) {
        const bool parameter = isParameterSegment(segment);
        const std::string key = parameter ? std::string(restParameterKey) : std::string(segment);
        if (parameter)
            argumentNames.emplace_back(segment.substr(1, segment.size() - 2));
        std::unique_ptr<restRouteNode>& child = node->itsChildren[key];
        if (!child) {
            child = std::make_unique<restRouteNode>();
            child->itsPath = node->itsPath + "/" + key;
            child->itsIsParameter = parameter;
        }
        node = child.get();
    }
    node->itsRoute = &inRoute;
    for (size_t column = 0; column < restRouteMethods.size(); ++column) {
        if (!inRoute.itsTemplates[column].empty())
            addCommand(*node, restRouteMethods[column], inRoute.itsTemplates[column],
                       argumentNames);
    }
}

const restRouteNode* makeRouteTree() {
    auto* root = new restRouteNode();
    for (const restRoute& route : restRouteTable())
        addRoute(*root, route);
    return root;
}

// A parameter's value as composed from one or more path segments, and where matching
// goes on after it.
struct ParameterValue {
    std::string text;
    ztObjType type = obj_unknown;
    size_t next = 0;
};

// The value of the parameter at inDepth: an optional collection name in front of it gives
// its type ("DNSZones/DNSZones/12"), an address and a prefix length make one value
// ("10.0.0.0/24"), and a user account written domain, two slashes, name becomes
// domain\name.
ParameterValue composeValue(const std::vector<std::string_view>& inSegments, size_t inDepth) {
    ParameterValue value;
    size_t remaining = inSegments.size() - inDepth;
    size_t start = inDepth;
    if (remaining > 1 && objectTypeFromCollection(inSegments[inDepth], value.type)) {
        start = inDepth + 1;
        --remaining;
    } else if (!(inDepth > 0 && objectTypeFromCollection(inSegments[inDepth - 1], value.type)) &&
               inDepth > 1) {
        objectTypeFromCollection(inSegments[0], value.type);
    }
    if (remaining > 1 && ztIPv6().fromString(inSegments[start]) &&
        isDecimal(inSegments[start + 1])) {
        ztAssert((value.type == obj_range) || (value.type == obj_scope));
        value.text = std::string(inSegments[start]) + "/" + std::string(inSegments[start + 1]);
        value.next = start + 2;
        return value;
    }
    if (remaining >= 3 && value.type == obj_user && inSegments[start + 1].empty()) {
        value.text = std::string(inSegments[start]) + "\\" + std::string(inSegments[start + 2]);
        value.next = start + 3;
        return value;
    }
    value.text = std::string(inSegments[start]);
    value.next = start + 1;
    return value;
}

void bindValue(const std::string& inName, const ParameterValue& inValue,
               restArgumentMap& ioArguments) {
    if (inName.empty())
        return;
    if (inName.front() == '~') {
        ioArguments[inName.substr(1)] = inValue.text;
        return;
    }
    ioArguments[inName] = makeRef(inValue.type, inValue.text);
}

} // namespace

bool restNoCaseLess::operator()(std::string_view inLeft, std::string_view inRight) const {
    return std::lexicographical_compare(
        inLeft.begin(), inLeft.end(), inRight.begin(), inRight.end(),
        [](char inA, char inB) { return lowerAscii(inA) < lowerAscii(inB); });
}

const std::vector<restRoute>& restRouteTable() {
    // Never destroyed: a request thread still running at exit may look a route up.
    static const std::vector<restRoute>* theTable = new std::vector<restRoute>(makeRouteTable());
    return *theTable;
}

const restRouteNode& buildRouteTree() {
    // Concurrent first callers wait for the one that builds it.
    static const restRouteNode* theTree = makeRouteTree();
    return *theTree;
}

void addCommand(restRouteNode& ioNode, int inMethod, std::string_view inTemplate,
                const std::vector<std::string>& inPathArgumentNames) {
    ztAssert(ioNode.itsCommands.find(inMethod) == ioNode.itsCommands.end());
    restCommandEntry entry;
    entry.itsMethod = inMethod;
    const size_t open = inTemplate.find('(');
    if (open == std::string_view::npos) {
        entry.itsName = std::string(inTemplate);
        entry.itsArgumentNames = inPathArgumentNames;
    } else {
        ztAssert(inTemplate.back() == ')');
        entry.itsName = std::string(inTemplate.substr(0, open));
        std::string_view list = inTemplate.substr(open + 1);
        if (!list.empty() && list.back() == ')')
            list.remove_suffix(1);
        for (const std::string_view name : splitAt(list, ','))
            entry.itsArgumentNames.emplace_back(name);
        ztAssert(entry.itsArgumentNames.size() == inPathArgumentNames.size());
    }
    ioNode.itsCommands.emplace(inMethod, std::move(entry));
}

bool matchRoute(const restRouteNode& inNode, int inMethod,
                const std::vector<std::string_view>& inSegments, size_t inDepth,
                std::vector<std::string>& ioArgumentNames, std::string& outCommandName,
                restArgumentMap& ioArguments) {
    if (inDepth >= inSegments.size()) {
        const auto found = inNode.itsCommands.find(inMethod);
        if (found == inNode.itsCommands.end())
            return false;
        outCommandName = found->second.itsName;
        ioArgumentNames = found->second.itsArgumentNames;
        return true;
    }
    const auto literal = inNode.itsChildren.find(inSegments[inDepth]);
    // A request segment spelled "{}" is a value, not the key of the parameter child.
    if (literal != inNode.itsChildren.end() && !literal->second->itsIsParameter &&
        matchRoute(*literal->second, inMethod, inSegments, inDepth + 1, ioArgumentNames,
                   outCommandName, ioArguments))
        return true;
    const auto parameter = inNode.itsChildren.find(std::string_view(restParameterKey));
    if (parameter == inNode.itsChildren.end())
        return false;
    const ParameterValue value = composeValue(inSegments, inDepth);
    if (!matchRoute(*parameter->second, inMethod, inSegments, value.next, ioArgumentNames,
                    outCommandName, ioArguments))
        return false;
    ztAssert(ioArgumentNames.size() > 0);
    if (ioArgumentNames.empty())
        return true;
    bindValue(ioArgumentNames.back(), value, ioArguments);
    ioArgumentNames.pop_back();
    return true;
}

bool lookupRestCommand(std::string_view inPath, int inMethod, std::string& outCommandName,
                       restArgumentMap& outArguments) {
    const restRouteNode& root = buildRouteTree();
    if (!inPath.empty() && inPath.back() == '/')
        inPath.remove_suffix(1);
    const std::vector<std::string_view> segments = splitAt(inPath, '/');
    if (segments.size() == 2 && equalsNoCase(segments[0], "command")) {
        // An empty name would leave the command element without a name.
        if (inMethod == restMethodDelete || segments[1].empty())
            return false;
        outCommandName = std::string(segments[1]);
        return true;
    }
    std::vector<std::string> argumentNames;
    if (!matchRoute(root, inMethod, segments, 0, argumentNames, outCommandName, outArguments))
        return false;
    ztAssert(argumentNames.size() == 0);
    if (containsNoCase(outCommandName, "PropertyDefinition")) {
        ztObjType type = obj_unknown;
        if (!objectTypeFromCollection(segments[0], type)) {
            ztAssert(false);
            return false;
        }
        outArguments["objType"] = objectTypeName(type);
    }
    if (equalsNoCase(outCommandName, "AddDNSRecord")) {
        outArguments["dnsRecord:enabled"] = "1";
        outArguments["dnsRecord:ttl"] = "";
    }
    return true;
}
