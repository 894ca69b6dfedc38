#pragma once
// The stand-in server's side of GetWSDL (type 11) and GetWSDLDoc (type 12): reads the
// namespace set (a 32-bit count, then the names) and answers with the WSDL document or the
// XHTML documentation page of those command families, in the XML net form.

#include "ztcentral/server/ztCentralResponse.h"

class ztCentralResGetWSDL : public ztCentralResponse {
public:
    static constexpr uint16_t typeNumber = 11;
    static constexpr uint16_t docTypeNumber = 12;

    // inDocPage makes it the GetWSDLDoc object.
    ztCentralResGetWSDL(std::shared_ptr<ztCentralState> inState,
                        std::shared_ptr<ztCentralConnection> inConnection, bool inDocPage);
    ~ztCentralResGetWSDL() override;

    uint16_t getType() const override;
    const char* getTypeName() const override;
    const char* getName() const override;
    // An unknown namespace is refused with ztErr_invalidArgument.
    ztErr readData(ztNetReader& ioReader) override;

private:
    bool itsDocPage;
};
