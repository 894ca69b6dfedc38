#pragma once
// The stand-in server's side of GetWSDLInstance (type 13): reads the one-byte value and
// answers with the whole WSDL document and the command list, which the library reads into
// its WSDL model.

#include "ztcentral/server/ztCentralResponse.h"

class ztCentralResGetWSDLInstance : public ztCentralResponse {
public:
    static constexpr uint16_t typeNumber = 13;

    using ztCentralResponse::ztCentralResponse;
    ~ztCentralResGetWSDLInstance() override;

    uint16_t getType() const override { return typeNumber; }
    const char* getTypeName() const override;
    const char* getName() const override;
    ztErr readData(ztNetReader& ioReader) override;
};
