// The route table as OpenAPI routes: every template named and named once per path, every
// method of every row present, and the command a template runs without its argument names.
#include "ztwebext/ztWebTableRoutes.h"

#include "ztxmlint/restCommands.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

TEST(ztWebTableRoutes, tablePathsBecomeTemplatesNamedOncePerPath) {
    const std::pair<const char*, const char*> rows[] = {
        {"DNSZones", "DNSZones"},
        {"DNSZones/{dnsZoneRef}", "DNSZones/{dnsZoneRef}"},
        {"DNSZones/{}/PropertyDefinitions/{~property}",
         "DNSZones/{ref}/PropertyDefinitions/{property}"},
        {"DHCPScopes/{ref}/Folders/{folderRef}", "DHCPScopes/{ref}/Folders/{folderRef}"},
        {"X/{}/Y/{}", "X/{ref}/Y/{ref2}"},
        {"X/{ref}/Y/{}", "X/{ref}/Y/{ref2}"},
    };
    for (const auto& [table, openApi] : rows) {
        SCOPED_TRACE(table);
        EXPECT_EQ(ztWebOpenApiPath(table), openApi);
    }
}

TEST(ztWebTableRoutes, everyMethodOfEveryRowIsARouteOnce) {
    const auto routes = ztWebTableRoutes().restRoutes(nullptr);
    size_t expected = 0;
    for (const restRoute& row : restRouteTable())
        for (const std::string& column : row.itsTemplates)
            expected += column.empty() ? 0 : 1;
    std::set<std::pair<std::string, std::string>> seen;
    size_t fromTable = 0;
    for (const ztWebRestRoute& route : routes) {
        EXPECT_TRUE(seen.emplace(route.itsPath, route.itsMethod).second)
            << route.itsMethod << " " << route.itsPath << " twice";
        EXPECT_EQ(route.itsCommand.find('('), std::string::npos) << route.itsCommand;
        fromTable += route.itsPath.rfind("command/", 0) == 0 ? 0 : 1;
    }
    EXPECT_EQ(fromTable, expected);
    EXPECT_TRUE(seen.contains({"CloudNetworks/{cloudNetworkRef}/Ranges/{rangeRef}", "delete"}));
    EXPECT_TRUE(seen.contains({"command/{name}", "get"})) << "without a WSDL";
}
