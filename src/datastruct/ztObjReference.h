#pragma once
// The object types the central server manages: for each type number its type name (used in
// object references and SOAP types), its collection name (used in REST paths) and its
// display name, with case-insensitive look-ups from either name to the number.

#include <cstdint>
#include <string_view>

// An object type number, 0 to 41; 0 is unknown and 15 is unassigned.
using ztObjType = int32_t;

inline constexpr ztObjType obj_unknown = 0;
inline constexpr ztObjType obj_suite = 1;
inline constexpr ztObjType obj_dnsServer = 2;
inline constexpr ztObjType obj_dhcpServer = 3;
inline constexpr ztObjType obj_dnsZone = 4;
inline constexpr ztObjType obj_dnsView = 5;
inline constexpr ztObjType obj_range = 6;
inline constexpr ztObjType obj_scope = 7;
inline constexpr ztObjType obj_ipAddress = 8;
inline constexpr ztObjType obj_dhcpReservation = 9;
inline constexpr ztObjType obj_dhcpAddressPool = 10;
inline constexpr ztObjType obj_dhcpGroup = 11;
inline constexpr ztObjType obj_adSite = 12;
inline constexpr ztObjType obj_dnsRecord = 13;
inline constexpr ztObjType obj_user = 14;
inline constexpr ztObjType obj_group = 16;
inline constexpr ztObjType obj_dhcpExclusion = 17;
inline constexpr ztObjType obj_dhcpFailoverPeer = 18;
inline constexpr ztObjType obj_dhcpLease = 19;
inline constexpr ztObjType obj_device = 20;
inline constexpr ztObjType obj_interface = 21;
inline constexpr ztObjType obj_folder = 22;
inline constexpr ztObjType obj_superscope = 23;
inline constexpr ztObjType obj_adSiteLink = 24;
inline constexpr ztObjType obj_addressSpace = 25;
inline constexpr ztObjType obj_adForest = 26;
inline constexpr ztObjType obj_appliance = 27;
inline constexpr ztObjType obj_changeRequest = 28;
inline constexpr ztObjType obj_cloudServiceAccount = 29;
inline constexpr ztObjType obj_cloudNetwork = 30;
inline constexpr ztObjType obj_role = 31;
inline constexpr ztObjType obj_xdnsGroup = 32;
inline constexpr ztObjType obj_reportDefinition = 33;
inline constexpr ztObjType obj_report = 34;
inline constexpr ztObjType obj_cloudService = 35;
inline constexpr ztObjType obj_cloudAccountSubscription = 36;
inline constexpr ztObjType obj_serverGroup = 37;
inline constexpr ztObjType obj_policy = 38;
inline constexpr ztObjType obj_agent = 39;
inline constexpr ztObjType obj_service = 40;
inline constexpr ztObjType obj_xdnsProfile = 41;

inline constexpr ztObjType kObjectTypeCount = 42;

// Columns of kObjectType.
inline constexpr int kObjectTypeNameColumn = 0;
inline constexpr int kObjectTypeCollectionColumn = 1;
inline constexpr int kObjectTypeDisplayColumn = 2;

// Indexed by object type: type name, REST collection name, display name. Row 15 repeats
// row 0. The irregular collection names ("IPAMRecords", "Policies") and the lower-case
// display names of 32 and 41 are what the server and its clients use.
inline constexpr const char* kObjectType[kObjectTypeCount][3] = {
    {"Unknown", "Unknown", "Unknown"},
    {"Suite", "Suite", "Corvane"},
    {"DNSServer", "DNSServers", "DNS Server"},
    {"DHCPServer", "DHCPServers", "DHCP Server"},
    {"DNSZone", "DNSZones", "DNS Zone"},
    {"DNSView", "DNSViews", "DNS View"},
    {"Range", "Ranges", "IP Range"},
    {"DHCPScope", "DHCPScopes", "DHCP Scope"},
    {"IPAddress", "IPAMRecords", "IP Address"},
    {"DHCPReservation", "DHCPReservations", "DHCP Reservation"},
    {"DHCPAddressPool", "DHCPAddressPools", "DHCP Address Pool"},
    {"DHCPGroup", "DHCPGroups", "DHCP Group"},
    {"ADSite", "ADSites", "AD Site"},
    {"DNSRecord", "DNSRecords", "DNS Record"},
    {"User", "Users", "User"},
    {"Unknown", "Unknown", "Unknown"},
    {"Group", "Groups", "Group"},
    {"DHCPExclusion", "DHCPExclusions", "DHCP Exclusion"},
    {"DHCPFailoverPeer", "DHCPFailoverPeers", "DHCP Failover Peer"},
    {"DHCPLease", "DHCPLeases", "DHCP Lease"},
    {"Device", "Devices", "Device"},
    {"Interface", "Interfaces", "Interface"},
    {"Folder", "Folders", "Folder"},
    {"Superscope", "Superscopes", "Superscope"},
    {"ADSiteLink", "ADSiteLinks", "AD Site Link"},
    {"AddressSpace", "AddressSpaces", "Address Space"},
    {"ADForest", "ADForests", "AD Forest"},
    {"Appliance", "Appliances", "Appliance"},
    {"ChangeRequest", "ChangeRequests", "Change Request"},
    {"CloudServiceAccount", "CloudServiceAccounts", "Cloud Service Account"},
    {"CloudNetwork", "CloudNetworks", "Cloud Network"},
    {"Role", "Roles", "Role"},
    {"XDNSGroup", "XDNSGroups", "xDNS Zone Group"},
    {"ReportDefinition", "ReportDefinitions", "Report Definition"},
    {"Report", "Reports", "Report"},
    {"CloudService", "CloudServices", "Cloud Service"},
    {"CloudAccountSubscription", "CloudAccountSubscriptions", "Cloud Account Subscription"},
    {"ServerGroup", "ServerGroups", "Server Group"},
    {"Policy", "Policies", "Policy"},
    {"Agent", "Agents", "Agent"},
    {"Service", "Services", "Service"},
    {"XDNSProfile", "XDNSProfiles", "xDNS profile"},
};

// Looks inName up among the type names, ignoring the case of ASCII letters. Returns true
// and sets outType when found ("Unknown" is type 0); returns false and leaves outType
// unchanged otherwise. The look-up map is built by the first caller; any thread may call.
bool objectTypeFromName(std::string_view inName, ztObjType& outType);
// The same among the collection names ("dnszones" gives obj_dnsZone).
bool objectTypeFromCollection(std::string_view inCollection, ztObjType& outType);

// The type name of inType; "Unknown" for a type outside 0 to 41.
const char* objectTypeName(ztObjType inType);
// The collection name of inType; "Unknown" for a type outside 0 to 41.
const char* objectTypeCollection(ztObjType inType);
