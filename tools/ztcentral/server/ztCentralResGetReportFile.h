#pragma once
// The stand-in server's side of GetReportFile (type 8435): reads the command tree in the XML
// net form (no flags follow) and answers with the HTTP headers to serve the file with (a
// 32-bit count, then key and value strings) and the file content as one string. Needs a
// logged-in session.

#include "ztcentral/server/ztCentralResponse.h"

class ztCentralResGetReportFile : public ztCentralResponse {
public:
    static constexpr uint16_t typeNumber = 8435;

    using ztCentralResponse::ztCentralResponse;
    ~ztCentralResGetReportFile() override;

    uint16_t getType() const override { return typeNumber; }
    const char* getTypeName() const override;
    const char* getName() const override;
    ztErr readData(ztNetReader& ioReader) override;
};
