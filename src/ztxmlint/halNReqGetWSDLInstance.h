#pragma once
// Asks a central server for its service description in the form the library works with:
// the WSDL document together with the list of commands, read into a ztWSDL model.

#include "netobjects/ztNetRequest.h"

#include <cstdint>
#include <memory>

class ztWSDL;

class halNReqGetWSDLInstance : public ztNetRequest {
public:
    static constexpr uint16_t typeNumber = 13;

    // Writes the body at once: the low byte of inValue (every caller passes 1). inWSDL
    // receives the answer and must not be null (zt::ex::InvalidArgument "inWSDL"); the
    // request shares it until it is destroyed, and nobody else may read it meanwhile.
    halNReqGetWSDLInstance(std::shared_ptr<ztWSDL> inWSDL, uint32_t inValue);
    ~halNReqGetWSDLInstance() override;

    uint16_t getType() const override { return typeNumber; }
    const char* getTypeName() const override;
    const char* getName() const override;
    // The model reads itself from the answer (ztWSDL::readFrom); a truncated or malformed
    // answer throws and leaves the model unchanged.
    ztErr readData(ztNetReader& ioReader) override;

private:
    std::shared_ptr<ztWSDL> itsWSDL;
};
