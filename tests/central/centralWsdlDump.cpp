// Writes the stand-in server's WSDL as a GetWSDL answer reaches a web client: built, sent in
// the XML net form, replayed into a document and printed by the gateway's printer. Also
// writes the command names, one a line. Usage: central_wsdl_dump <wsdl file> <names file>.
#include "ztcentral/catalog/ztCentralCatalog.h"
#include "ztcentral/catalog/ztCentralWSDL.h"

#include "netobjects/ztDynamicNetWriter.h"
#include "netobjects/ztNetReader.h"
#include "util/ztXMLNetWriter.h"
#include "util/ztXMLPrinter.h"
#include "util/ztXMLTinyWriter.h"

#include <tinyxml.h>

#include <fstream>
#include <iostream>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: central_wsdl_dump <wsdl file> <names file>\n";
        return 2;
    }
    TiXmlDocument built;
    ztCentralWSDL::buildDocument({}, built);
    ztDynamicNetWriter writer(4096);
    {
        ztXMLNetWriter xml(writer);
        xml.writeNode(built);
        xml.finish();
    }
    TiXmlDocument received;
    ztNetReader reader(writer.data(), writer.count());
    ztXMLTinyWriter tiny(&received);
    tiny.replay(reader);
    std::string text;
    printXml(received, text, false, false, false);

    std::ofstream wsdl(argv[1], std::ios::binary);
    wsdl << text;
    std::ofstream names(argv[2]);
    for (const ztCentralCatalog::Command& command : ztCentralCatalog::instance().commands())
        names << command.name << '\n';
    return wsdl && names ? 0 : 1;
}
