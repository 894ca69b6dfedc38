// The route table of the library turned into the routes of the OpenAPI document.
#include "ztwebext/ztWebTableRoutes.h"

#include "ztxmlint/restCommands.h"

#include <set>

namespace {

const char* methodName(int inMethod) {
    switch (inMethod) {
    case restMethodGet:
        return "get";
    case restMethodPut:
        return "put";
    case restMethodPost:
        return "post";
    default:
        return "delete";
    }
}

// "RemoveFromCloudNetwork(,rangeRefs:ref)" runs RemoveFromCloudNetwork.
std::string commandOf(const std::string& inTemplate) {
    return inTemplate.substr(0, inTemplate.find('('));
}

} // namespace

std::string ztWebOpenApiPath(const std::string& inTablePath) {
    std::string path;
    std::set<std::string> used;
    size_t start = 0;
    while (start <= inTablePath.size()) {
        size_t end = inTablePath.find('/', start);
        if (end == std::string::npos)
            end = inTablePath.size();
        std::string segment = inTablePath.substr(start, end - start);
        if (segment.size() >= 2 && segment.front() == '{' && segment.back() == '}') {
            std::string name = segment.substr(1, segment.size() - 2);
            if (!name.empty() && name.front() == '~')
                name.erase(0, 1);
            if (name.empty())
                name = "ref";
            std::string unique = name;
            for (int n = 2; used.contains(unique); ++n)
                unique = name + std::to_string(n);
            used.insert(unique);
            segment = "{" + unique + "}";
        }
        if (!path.empty() || start > 0)
            path += '/';
        path += segment;
        start = end + 1;
    }
    return path;
}

std::vector<ztWebRestRoute> ztWebTableRoutes::restRoutes(const ztWSDL* inWSDL) const {
    std::vector<ztWebRestRoute> routes;
    for (const restRoute& row : restRouteTable()) {
        const std::string path = ztWebOpenApiPath(row.itsPath);
        for (size_t column = 0; column < restRouteMethods.size(); ++column) {
            if (row.itsTemplates[column].empty())
                continue;
            routes.push_back(
                {path, methodName(restRouteMethods[column]), commandOf(row.itsTemplates[column])});
        }
    }
    for (ztWebRestRoute& route : ztWebCommandRoutes().restRoutes(inWSDL))
        routes.push_back(std::move(route));
    return routes;
}
