#pragma once
// Asks a central server for the HTML documentation page of its service, as XHTML, for
// publication to web clients. Body and answer are those of GetWSDL; only the type differs.

#include "ztxmlint/halNReqGetWSDL.h"

class halNReqGetWSDLDoc : public halNReqGetWSDL {
public:
    static constexpr uint16_t typeNumber = 12;

    using halNReqGetWSDL::halNReqGetWSDL;

    uint16_t getType() const override { return typeNumber; }
    const char* getTypeName() const override;
    const char* getName() const override;
};
