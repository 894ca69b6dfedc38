#pragma once
// Fetches a report file that a central server has produced: the command goes out as XML,
// the file comes back as raw content with the HTTP response headers to serve it with.

#include "netobjects/ztNetRequest.h"

#include <map>
#include <string>

class TiXmlNode;

class halNReqGetReportFile : public ztNetRequest {
public:
    static constexpr uint16_t typeNumber = 8435;

    using HeaderMap = std::map<std::string, std::string>;

    // Writes the body at once: every child of inTree (the dispatcher passes the command
    // element's parent) in the XML net form; unlike an XML command no flags follow.
    // outHeaders and outContent receive the answer; neither is owned, both must outlive
    // the request, and neither may be null (zt::ex::InvalidArgument naming it). Throws
    // std::bad_alloc when the body cannot grow.
    halNReqGetReportFile(const TiXmlNode& inTree, HeaderMap* outHeaders, std::string* outContent);
    ~halNReqGetReportFile() override;

    uint16_t getType() const override { return typeNumber; }
    const char* getTypeName() const override;
    const char* getName() const override;
    // Reads the answer: a 32-bit header count, that many key and value strings, then the
    // file content as one string. Headers are added to the target map, where a key that is
    // already present keeps its value; the content replaces the target text. A truncated
    // answer throws std::out_of_range and changes neither target.
    ztErr readData(ztNetReader& ioReader) override;

private:
    HeaderMap* itsHeaders;   // not owned
    std::string* itsContent; // not owned
};
