// The demo data, written as the commands a client would send.
#include "ztcentral/model/ztCentralSeed.h"

#include "ztcentral/handlers/ztCentralCommands.h"
#include "ztcentral/model/ztCentralFaults.h"
#include "ztcentral/model/ztCentralModel.h"

#include <tinyxml.h>

#include <string>

namespace {

// Runs one command given as XML text for the user "system".
void run(const ztCentralCommands& inCommands, const char* inXML) {
    TiXmlDocument document;
    document.Parse(inXML, nullptr, TIXML_ENCODING_LEGACY);
    TiXmlElement answers("answers");
    inCommands.execute(*document.RootElement(), "system", answers);
}

const char* const kCommands[] = {
    // Custom properties come first, so that their defaults reach every object.
    "<AddPropertyDefinition><objType>DNSZone</objType><propertyDefinition><name>Owner</name>"
    "<description>Team that runs the zone.</description></propertyDefinition>"
    "</AddPropertyDefinition>",
    "<AddPropertyDefinition><objType>Range</objType><propertyDefinition><name>Location</name>"
    "<listItems><item>Datacenter</item><item>Oslo</item><item>Bergen</item></listItems>"
    "</propertyDefinition></AddPropertyDefinition>",
    "<AddPropertyDefinition><objType>Range</objType><propertyDefinition><name>VLAN</name>"
    "<type>Integer</type></propertyDefinition></AddPropertyDefinition>",
    "<AddPropertyDefinition><objType>User</objType><propertyDefinition><name>Department</name>"
    "<defaultValue>IT</defaultValue></propertyDefinition></AddPropertyDefinition>",

    "<AddDNSServer><dnsServer><name>ns1.corp.example.</name><address>10.0.0.53</address>"
    "<port>1231</port><type>BIND</type></dnsServer></AddDNSServer>",
    "<AddDNSServer><dnsServer><name>ns2.corp.example.</name><address>10.0.0.54</address>"
    "<port>1231</port><type>BIND</type></dnsServer></AddDNSServer>",
    "<AddDHCPServer><dhcpServer><name>dhcp1.corp.example.</name><address>10.0.0.67</address>"
    "<type>ISC</type></dhcpServer></AddDHCPServer>",

    "<AddDNSZone><dnsZone><name>corp.example.</name><dnsServerRef>{#2-ns1.corp.example.}"
    "</dnsServerRef><dynamic>1</dynamic><customProperties><property><name>Owner</name>"
    "<value>Network team</value></property></customProperties></dnsZone></AddDNSZone>",
    "<AddDNSZone><dnsZone><name>lab.example.</name><dnsServerRef>{#2-ns1.corp.example.}"
    "</dnsServerRef><dnsViewRef>{#5-internal}</dnsViewRef></dnsZone></AddDNSZone>",
    "<AddDNSZone><dnsZone><name>10.in-addr.arpa.</name><dnsServerRef>{#2-ns1.corp.example.}"
    "</dnsServerRef></dnsZone></AddDNSZone>",
    "<AddDNSZone><dnsZone><name>example.org.</name><dnsServerRef>{#2-ns2.corp.example.}"
    "</dnsServerRef><type>Slave</type></dnsZone></AddDNSZone>",
    "<AddDNSRecords><dnsRecords>"
    "<dnsRecord><name>@</name><dnsZoneRef>{#4-corp.example.}</dnsZoneRef><type>NS</type>"
    "<data>ns1.corp.example.</data></dnsRecord>"
    "<dnsRecord><name>@</name><dnsZoneRef>{#4-corp.example.}</dnsZoneRef><type>MX</type>"
    "<data>10 mail.corp.example.</data></dnsRecord>"
    "<dnsRecord><name>www</name><dnsZoneRef>{#4-corp.example.}</dnsZoneRef><type>A</type>"
    "<ttl>3600</ttl><data>10.0.1.10</data></dnsRecord>"
    "<dnsRecord><name>mail</name><dnsZoneRef>{#4-corp.example.}</dnsZoneRef><type>A</type>"
    "<data>10.0.1.25</data></dnsRecord>"
    "<dnsRecord><name>ftp</name><dnsZoneRef>{#4-corp.example.}</dnsZoneRef><type>A</type>"
    "<data>10.0.1.11</data><comment>Old file server</comment></dnsRecord>"
    "<dnsRecord><name>intranet</name><dnsZoneRef>{#4-corp.example.}</dnsZoneRef>"
    "<type>CNAME</type><data>www.corp.example.</data></dnsRecord>"
    "<dnsRecord><name>printer</name><dnsZoneRef>{#4-corp.example.}</dnsZoneRef><type>A</type>"
    "<data>10.0.2.20</data></dnsRecord>"
    "<dnsRecord><name>10.1.0</name><dnsZoneRef>{#4-10.in-addr.arpa.}</dnsZoneRef>"
    "<type>PTR</type><data>www.corp.example.</data></dnsRecord>"
    "<dnsRecord><name>host1</name><dnsZoneRef>{#4-lab.example.}</dnsZoneRef><type>A</type>"
    "<data>10.0.2.21</data></dnsRecord>"
    "<dnsRecord><name>host1</name><dnsZoneRef>{#4-lab.example.}</dnsZoneRef><type>AAAA</type>"
    "<data>2001:db8::21</data></dnsRecord>"
    "</dnsRecords></AddDNSRecords>",
    "<SetDNSZoneOptions><dnsZoneRef>{#4-corp.example.}</dnsZoneRef><options><property>"
    "<name>allow-transfer</name><value>10.0.0.54</value></property><property>"
    "<name>notify</name><value>yes</value></property></options></SetDNSZoneOptions>",

    "<AddRange><range><name>10.0.0.0/8</name><title>Corporate</title><customProperties>"
    "<property><name>Location</name><value>Datacenter</value></property></customProperties>"
    "</range></AddRange>",
    "<AddRange><range><name>10.0.1.0/24</name><title>Servers</title><customProperties>"
    "<property><name>Location</name><value>Datacenter</value></property><property>"
    "<name>VLAN</name><value>10</value></property></customProperties></range></AddRange>",
    "<AddRange><range><from>10.0.2.0</from><to>10.0.2.255</to><title>Clients</title>"
    "<customProperties><property><name>Location</name><value>Oslo</value></property>"
    "<property><name>VLAN</name><value>20</value></property></customProperties></range>"
    "</AddRange>",
    "<AddRange><range><name>192.168.0.0/16</name><title>Lab</title></range></AddRange>",
    "<AddRange><range><name>2001:db8::/32</name><title>IPv6 documentation</title></range>"
    "</AddRange>",
    "<SetProperties><ref>{#8-10.0.1.10}</ref><properties><property><name>state</name>"
    "<value>Assigned</value></property><property><name>dnsHost</name>"
    "<value>www.corp.example.</value></property></properties></SetProperties>",
    "<SetProperties><ref>{#8-10.0.1.25}</ref><properties><property><name>state</name>"
    "<value>Assigned</value></property><property><name>dnsHost</name>"
    "<value>mail.corp.example.</value></property></properties></SetProperties>",
    "<SetProperties><ref>{#8-10.0.1.11}</ref><properties><property><name>state</name>"
    "<value>Reserved</value></property></properties></SetProperties>",
    "<SetProperties><ref>{#8-10.0.2.20}</ref><properties><property><name>state</name>"
    "<value>Assigned</value></property><property><name>deviceName</name>"
    "<value>printer</value></property></properties></SetProperties>",
    "<AddDHCPScope><dhcpScope><name>10.0.1.0/24</name><dhcpServerRef>{#3-dhcp1.corp.example.}"
    "</dhcpServerRef><description>Servers</description></dhcpScope></AddDHCPScope>",
    "<AddDHCPScope><dhcpScope><name>10.0.2.0/24</name><dhcpServerRef>{#3-dhcp1.corp.example.}"
    "</dhcpServerRef><description>Clients</description></dhcpScope></AddDHCPScope>",

    "<AddUser><user><name>administrator</name><password>demo</password>"
    "<fullName>Administrator</fullName></user></AddUser>",
    "<AddUser><user><name>alice</name><password>alice</password><fullName>Alice Archer</fullName>"
    "<email>alice@corp.example</email></user></AddUser>",
    "<AddUser><user><name>bob</name><password>bob</password><fullName>Bob Baker</fullName>"
    "<customProperties><property><name>Department</name><value>Networks</value></property>"
    "</customProperties></user></AddUser>",
    "<AddUser><user><name>CORP\\carol</name><fullName>Carol Clark</fullName>"
    "<authenticationType>AD</authenticationType></user></AddUser>",
    "<AddGroup><group><name>Administrators</name><description>Full control.</description>"
    "</group></AddGroup>",
    "<AddGroup><group><name>DNS Admins</name></group></AddGroup>",
    "<AddGroup><group><name>IPAM Admins</name></group></AddGroup>",
    "<AddRole><role><name>Administrators (built-in)</name></role></AddRole>",
    "<AddRole><role><name>DNS Administrators</name></role></AddRole>",
    "<AddRole><role><name>IPAM Administrators</name></role></AddRole>",
    "<AddRole><role><name>Read only</name></role></AddRole>",
    "<AddUserToGroup><groupRef>{#16-Administrators}</groupRef><userRef>{#14-administrator}"
    "</userRef></AddUserToGroup>",
    "<AddUserToGroup><groupRef>{#16-DNS Admins}</groupRef><userRef>{#14-alice}</userRef>"
    "</AddUserToGroup>",
    "<AddUserToGroup><groupRef>{#16-IPAM Admins}</groupRef><userRef>{#14-bob}</userRef>"
    "</AddUserToGroup>",
    "<AddRoleToGroup><groupRef>{#16-Administrators}</groupRef>"
    "<roleRef>{#31-Administrators (built-in)}</roleRef></AddRoleToGroup>",
    "<AddRoleToGroup><groupRef>{#16-DNS Admins}</groupRef><roleRef>{#31-DNS Administrators}"
    "</roleRef></AddRoleToGroup>",
    "<AddRoleToGroup><groupRef>{#16-IPAM Admins}</groupRef><roleRef>{#31-IPAM Administrators}"
    "</roleRef></AddRoleToGroup>",
    "<AddRoleToUser><userRef>{#14-alice}</userRef><roleRef>{#31-Read only}</roleRef>"
    "</AddRoleToUser>",
    "<SetObjectAccess><objRefs><ref>{#4-corp.example.}</ref></objRefs><identityAccess>"
    "<identityAccess><identityRef>{#16-DNS Admins}</identityRef><access><access><name>Read"
    "</name><value>1</value></access><access><name>Edit</name><value>1</value></access><access>"
    "<name>Delete</name><value>0</value></access></access></identityAccess></identityAccess>"
    "</SetObjectAccess>",

    "<AddFolder><folder><name>Datacenter</name></folder></AddFolder>",
    "<AddFolder><folder><name>Branch offices</name></folder></AddFolder>",
    "<AddFolder><folder><name>Oslo</name><parentRef>{#22-Branch offices}</parentRef></folder>"
    "</AddFolder>",
    "<PlaceInFolder><objRefs><ref>{#4-corp.example.}</ref><ref>{#6-10.0.1.0/24}</ref>"
    "<ref>{#2-ns1.corp.example.}</ref></objRefs><folderRef>{#22-Datacenter}</folderRef>"
    "</PlaceInFolder>",
    "<PlaceInFolder><objRefs><ref>{#6-10.0.2.0/24}</ref></objRefs>"
    "<folderRef>{#22-Oslo}</folderRef></PlaceInFolder>",

    "<AddReportDefinition><reportDefinition><name>All zones</name><reportSource>DNSZones"
    "</reportSource><format>csv</format></reportDefinition></AddReportDefinition>",
    "<AddReportDefinition><reportDefinition><name>Users</name><reportSource>Users"
    "</reportSource><format>json</format></reportDefinition></AddReportDefinition>",
    "<RunReport><reportDefinitionRef>{#33-All zones}</reportDefinitionRef></RunReport>",
};

} // namespace

void ztCentralSeed::fill(ztCentralModel& ioModel) {
    ztCentralFaults noFaults;
    const ztCentralCommands commands(ioModel, noFaults);
    bool viewAdded = false;
    for (const char* command : kCommands) {
        const std::string text = command;
        // A view has no command of its own: a server reports its views, nobody adds them.
        if (!viewAdded && text.find("{#5-internal}") != std::string::npos) {
            ioModel.locked([](ztCentralStore& ioStore) {
                ztCentralStore::Object view;
                view.type = obj_dnsView;
                view.name = "internal";
                const ztCentralStore::Object* server =
                    ioStore.findByName(obj_dnsServer, "ns1.corp.example.").front();
                ztCentralStore::set(view.fields, "dnsServerRef", ztCentralStore::refOf(*server));
                ioStore.add(std::move(view), "system", "Reported by the server.");
            });
            viewAdded = true;
        }
        run(commands, command);
    }
    // Built-in roles are the server's own; no command makes one.
    ioModel.locked([](ztCentralStore& ioStore) {
        for (ztCentralStore::Object* role :
             ioStore.findByName(obj_role, "Administrators (built-in)"))
            ztCentralStore::set(role->fields, "builtIn", "1");
        ioStore.preLogin().loginBanner = "Demo server: data is reset on every start.";
    });
}
