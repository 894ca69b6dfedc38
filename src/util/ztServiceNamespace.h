#pragma once
// The namespace URI of the service's own elements. The WSDL declares it as its target
// namespace and SOAP answers carry it as "xmlns" on each answer element, so both take it
// from here and cannot drift apart.

inline constexpr const char* xmlServiceNamespace = "http://ztxmlint.tarvel.example/webservices/";
