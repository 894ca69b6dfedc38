#pragma once
// The OpenAPI 3.1 description of the REST routes and the JSON-RPC endpoint, typed from the
// central server's WSDL. The REST routes come from a route source, so that the route table
// of the library can be described as soon as it is handed in.

#include <string>
#include <vector>

class ztWSDL;

// One REST route: a path below /rest/ whose {name} segments are path arguments, the HTTP
// method in lower case, and the server command it runs.
struct ztWebRestRoute {
    std::string itsPath;
    std::string itsMethod;
    std::string itsCommand;
};

class ztWebRouteSource {
public:
    virtual ~ztWebRouteSource() = default;
    // The routes to describe; inWSDL (null when the server could not be asked) names the
    // commands there are.
    virtual std::vector<ztWebRestRoute> restRoutes(const ztWSDL* inWSDL) const = 0;
};

// The routes every dispatcher serves: "command/NAME" for each command of the WSDL, with
// GET (arguments in the query) and POST (arguments in a JSON body).
class ztWebCommandRoutes : public ztWebRouteSource {
public:
    std::vector<ztWebRestRoute> restRoutes(const ztWSDL* inWSDL) const override;
};

// The document for inRoutes and the WSDL of inServer (empty: the default server; ignored
// while the central server is fixed), served at inBaseUrl ("http://host:port").
std::string ztWebOpenApiDocument(const ztWebRouteSource& inRoutes, const std::string& inServer,
                                 const std::string& inBaseUrl);
// The same from a WSDL already at hand (null: untyped), for tests.
std::string ztWebOpenApiDocument(const std::vector<ztWebRestRoute>& inRoutes, const ztWSDL* inWSDL,
                                 const std::string& inBaseUrl);
