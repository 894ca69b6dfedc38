// The GetReportFile request: the command out as XML, headers and file content back.
#include "ztxmlint/halNReqGetReportFile.h"

#include "messages/ztException.h"
#include "netobjects/ztNetReader.h"
#include "ztxmlint/xmlNetForm.h"

halNReqGetReportFile::halNReqGetReportFile(const TiXmlNode& inTree, HeaderMap* outHeaders,
                                           std::string* outContent)
    : itsHeaders(outHeaders), itsContent(outContent) {
    if (itsHeaders == nullptr)
        throw zt::ex::InvalidArgument("outHeaders");
    if (itsContent == nullptr)
        throw zt::ex::InvalidArgument("outContent");
    writeNetFormXML(getBodyWriter(), inTree);
}

// Detached first: the handler must not read an answer into members already destroyed.
halNReqGetReportFile::~halNReqGetReportFile() {
    detachFromHandler();
}

const char* halNReqGetReportFile::getTypeName() const {
    return "halNOT_GetReportFile";
}

const char* halNReqGetReportFile::getName() const {
    return "GetReportFile";
}

ztErr halNReqGetReportFile::readData(ztNetReader& ioReader) {
    // The count comes from the server and is not trusted: nothing is reserved for it, so a
    // count larger than the answer only runs the reader out of data.
    HeaderMap headers;
    const uint32_t count = ioReader.getUInt32();
    for (uint32_t i = 0; i < count; ++i) {
        const char* key = ioReader.getConstString();
        const char* value = ioReader.getConstString();
        headers.emplace(key, value);
    }
    std::string content = ioReader.getConstString();
    // emplace never replaces, so keys the caller already had keep their values.
    itsHeaders->merge(headers);
    *itsContent = std::move(content);
    return ztErr_noError;
}
