// Report files of the stand-in server.
#include "ztcentral/server/ztCentralResGetReportFile.h"

#include "ztcentral/handlers/ztCentralCommands.h"
#include "ztcentral/server/ztCentralConnection.h"
#include "ztcentral/model/ztCentralErr.h"
#include "ztcentral/server/ztCentralState.h"

#include "messages/ztException.h"
#include "netobjects/ztNetReader.h"
#include "util/ztXMLTinyWriter.h"

#include <tinyxml.h>

#include <map>
#include <string>

ztCentralResGetReportFile::~ztCentralResGetReportFile() = default;

const char* ztCentralResGetReportFile::getTypeName() const {
    return "halNOT_GetReportFile";
}

const char* ztCentralResGetReportFile::getName() const {
    return "GetReportFile";
}

ztErr ztCentralResGetReportFile::readData(ztNetReader& ioReader) {
    TiXmlDocument request;
    ztXMLTinyWriter tree(&request);
    tree.replay(ioReader);
    const TiXmlElement* command = ztCentralCommands::findCommandElement(request);
    if (command == nullptr)
        throw ztException(ztErr_invalidArgument, "The report request holds no command element.");
    if (!connection().isLoggedIn())
        throw ztException(ztCentralErr_notLoggedIn, ztCentralText::notLoggedIn, 'c',
                          command->ValueStr());
    std::map<std::string, std::string> headers;
    std::string content;
    state().commands().getReportFile(*command, connection().user(), headers, content);
    getBodyWriter().reset();
    getBodyWriter().putUInt32(static_cast<uint32_t>(headers.size()));
    for (const auto& [key, value] : headers) {
        getBodyWriter().putString(key);
        getBodyWriter().putString(value);
    }
    getBodyWriter().putString(content);
    return ztErr_noError;
}
