#pragma once
// Credentials of REST and JSON-RPC requests from the Authorization header, and what an
// Accept header prefers.

#include "ztwebext/ztWebLibrary.h"

#include <string>

// "Bearer ID" gives the session id, "Basic base64(name:password)" the login name and
// password. No header gives empty credentials. False (with outError) for a header that
// cannot be read: another scheme, bad base64, no ":" or an empty name.
bool ztWebReadAuthorization(const std::string& inHeader, ztWebCredentials& outCredentials,
                            std::string& outError);

// Whether an Accept header ranks application/xml or text/xml above application/json
// (quality values; a type given without q has 1). A header that names no XML type, or
// none, does not.
bool ztWebPrefersXml(const std::string& inAccept);
