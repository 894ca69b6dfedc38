#pragma once
// The stand-in server's commands for reports: report sources, running a report definition and the
// report file with its headers.

#include "ztcentral/handlers/ztCentralCall.h"

#include <map>
#include <string>

class ztCentralReportHandlers {
public:
    using Object = ztCentralStore::Object;

    // Enters the commands implemented here.
    static void addTo(ztCentralHandlerMap& ioHandlers);
    // Checks the source and format of a report definition about to be stored (csv by default).
    static void prepareDefinition(ztCentralCall& ioCall, Object& ioDefinition);
    // The file of the report named by the "ref" argument: headers "Content-Type" and
    // "Content-Disposition", and the content.
    static void reportFile(ztCentralCall& ioCall, std::map<std::string, std::string>& outHeaders,
                           std::string& outContent);
};
