#pragma once
// The dispatcher's REST route look-up over the route table: what every session manager
// uses unless an embedding program installs another.

#include "ztxmlint/xmlSessionManager.h"

class restCommandRouter : public xmlRestRouter {
public:
    // lookupRestCommand(); outArguments is emptied first and receives the bound path
    // arguments with the names the route gives them. Any thread.
    bool lookup(const std::string& inPath, int inMethod, std::string& outCommand,
                std::map<std::string, std::string>& outArguments) const override;
};
