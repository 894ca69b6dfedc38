#pragma once
// The HTML page at "/": the endpoints, and links to the WSDL, its documentation page and
// the OpenAPI description.

#include <string>

std::string ztWebIndexPage();
