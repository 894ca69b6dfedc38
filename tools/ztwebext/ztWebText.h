#pragma once
// Text helpers of the HTTP front end: ASCII case folding, URL query decoding, base64 and the
// masking of secrets in logged targets.

#include <map>
#include <optional>
#include <string>
#include <string_view>

bool ztWebEqualsNoCase(std::string_view inLeft, std::string_view inRight);
std::string ztWebLower(std::string_view inText);
std::string_view ztWebTrim(std::string_view inText);

// Decodes %XX (a "%" without two hex digits stays as it is) and, with inPlusIsSpace, "+"
// as a space, the way browsers encode query values.
std::string ztWebDecode(std::string_view inText, bool inPlusIsSpace);
// Splits a URL query at "&" into decoded names and values; a piece without "=" has an
// empty value; empty pieces are skipped; a later name replaces an earlier value.
std::map<std::string, std::string> ztWebParseQuery(std::string_view inQuery);

// Standard base64 (RFC 4648, padding optional); nullopt for any other character.
std::optional<std::string> ztWebBase64Decode(std::string_view inText);

// The query with the values of "session", "password" and "loginName" (any case, also when
// percent-encoded names are used) replaced by "***", for log lines.
std::string ztWebMaskQuery(std::string_view inQuery);
