// The route look-up behind the dispatcher's REST paths.
#include "ztxmlint/restCommandRouter.h"

#include "ztxmlint/restCommands.h"

bool restCommandRouter::lookup(const std::string& inPath, int inMethod, std::string& outCommand,
                               std::map<std::string, std::string>& outArguments) const {
    outArguments.clear();
    restArgumentMap arguments;
    if (!lookupRestCommand(inPath, inMethod, outCommand, arguments))
        return false;
    outArguments.insert(arguments.begin(), arguments.end());
    return true;
}
