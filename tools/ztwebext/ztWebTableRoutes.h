#pragma once
// The REST routes the library serves, as the OpenAPI document describes them: every row of
// the library's route table with each method it offers, then "command/NAME" for each command
// of the WSDL.

#include "ztwebext/ztWebOpenApi.h"

class ztWebTableRoutes : public ztWebRouteSource {
public:
    std::vector<ztWebRestRoute> restRoutes(const ztWSDL* inWSDL) const override;
};

// A route table path as an OpenAPI path template: "{~property}" becomes "{property}", an
// unnamed "{}" becomes "{ref}", and a name met twice in one path gets a number ("{ref2}"),
// since OpenAPI wants every template of a path named, and named once.
std::string ztWebOpenApiPath(const std::string& inTablePath);
