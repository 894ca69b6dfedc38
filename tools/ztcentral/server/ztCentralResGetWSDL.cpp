// The WSDL document and documentation page of the stand-in server.
#include "ztcentral/server/ztCentralResGetWSDL.h"

#include "ztcentral/catalog/ztCentralWSDL.h"

#include "messages/ztException.h"
#include "netobjects/ztNetReader.h"
#include "util/ztXMLNetWriter.h"

#include <tinyxml.h>

#include <string>
#include <vector>

namespace {

// More names than there are command families can only be a malformed body; the bound keeps
// a hostile count from reserving memory.
constexpr uint32_t kMostNamespaces = 1000;

} // namespace

ztCentralResGetWSDL::ztCentralResGetWSDL(std::shared_ptr<ztCentralState> inState,
                                         std::shared_ptr<ztCentralConnection> inConnection,
                                         bool inDocPage)
    : ztCentralResponse(std::move(inState), std::move(inConnection)), itsDocPage(inDocPage) {}

ztCentralResGetWSDL::~ztCentralResGetWSDL() = default;

uint16_t ztCentralResGetWSDL::getType() const {
    return itsDocPage ? docTypeNumber : typeNumber;
}

const char* ztCentralResGetWSDL::getTypeName() const {
    return itsDocPage ? "ztNOT_GetWSDLDoc" : "ztNOT_GetWSDL";
}

const char* ztCentralResGetWSDL::getName() const {
    return itsDocPage ? "GetWSDLDoc" : "GetWSDL";
}

ztErr ztCentralResGetWSDL::readData(ztNetReader& ioReader) {
    const uint32_t count = ioReader.getUInt32();
    if (count > kMostNamespaces)
        throw ztException(ztErr_invalidArgument, "Namespace count $n is too large.", 'n',
                          std::to_string(count));
    std::vector<std::string> namespaces;
    for (uint32_t i = 0; i < count; ++i)
        namespaces.emplace_back(ioReader.getConstString());
    TiXmlDocument document;
    if (itsDocPage)
        ztCentralWSDL::buildDocPage(namespaces, document);
    else
        ztCentralWSDL::buildDocument(namespaces, document);
    getBodyWriter().reset();
    ztXMLNetWriter writer(getBodyWriter());
    writer.writeChildren(document);
    writer.finish();
    return ztErr_noError;
}
