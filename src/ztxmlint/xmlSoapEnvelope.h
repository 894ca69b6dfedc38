#pragma once
// The SOAP 1.1 envelope that holds every answer, the fault in its SOAP and JSON forms, and
// the resolution of SOAP section-5 multi-reference values in incoming requests.

#include "messages/ztErrorMessage.h"
#include "util/ztServiceNamespace.h"
#include "ztxmlint/xmlDialect.h"

#include <string>

class TiXmlDocument;

// The namespace of the envelope and body elements, whatever the request declared.
inline constexpr const char* xmlSoapEnvelopeNamespace = "http://schemas.xmlsoap.org/soap/envelope/";
// The prefix of envelope and body when the request gives none.
inline constexpr const char* xmlDefaultSoapPrefix = "soap";

// The prefix to answer with: inRootName without ":Envelope" when it ends so, else "soap".
std::string soapPrefixOf(const char* inRootName);

// Writes the XML declaration, inPrefix:Envelope (with the SOAP namespace declarations for
// the SOAP dialect only) and an empty inPrefix:Body into the empty document ioDocument.
void writeEnvelope(TiXmlDocument& ioDocument, const std::string& inPrefix,
                   const char* inEnvelopeNamespace, xmlDialect inDialect);

// Writes inMessage as the answer into the body of ioDocument: a SOAP Fault for the SOAP
// dialect, an "error" element (code typed as int, message) for the others. Does nothing
// when the document has no inPrefix:Envelope/inPrefix:Body.
void writeFault(TiXmlDocument& ioDocument, const ztErrorMessage& inMessage,
                const std::string& inPrefix, xmlDialect inDialect);

// Appends below every element whose "href" is "#id" copies of the children of the element
// that carries that "id", then removes every element that carried an "id". References inside copied
// values are resolved in the same pass. A document whose references would grow it past eight times
// its size (plus a small allowance) or nest it deeper than the reader's bound is refused with
// ztErr_invalidXML naming the referring element, before it can exhaust memory or stack.
void resolveMultiRefs(TiXmlDocument& ioDocument);
