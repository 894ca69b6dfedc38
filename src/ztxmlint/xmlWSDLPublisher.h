#pragma once
// Publication of the server's WSDL and its documentation page: both are fetched from the
// central server outside any session; the WSDL's service address is pointed back at the
// web front end it was fetched through. Failures come back as a SOAP fault document.

#include <map>
#include <string>

class xmlSessionManager;

// The WSDL for the parsed query inQuery ("server", "ns"), its SOAP port addresses set from
// inRequestUrl. Always succeeds; errors are written into outResult.
void publishWsdl(xmlSessionManager& ioManager, const std::string& inRequestUrl,
                 const std::map<std::string, std::string>& inQuery, std::string& outResult);

// The HTML 4.01 Strict document type line followed by the server's documentation page (or
// the fault).
void publishWsdlDoc(xmlSessionManager& ioManager, const std::map<std::string, std::string>& inQuery,
                    std::string& outResult);

// The address written into the WSDL's ports: ".../wsdl" becomes ".../soap", an address
// ending in the extension module's file name gets "?Soap", any other stays as it is.
std::string soapLocationFor(const std::string& inRequestUrl);
