#pragma once
// Conversions between the two spellings of an object reference: the REST form used in paths
// ("DNSZones/12", a collection name, a slash and an id or name) and the server's reference
// text ("{#4-#12}": type number and id, or "-" and a name, in braces).

#include "datastruct/ztObjReference.h"

#include <string>
#include <string_view>

// Reference text for inValue of type inType (0 leaves the type out): "{#4-#12}" for an id of
// all digits, "{#4-example.com.}" for a name, "{#4-12}" for "~12" (the tilde asks for a name).
std::string makeRef(ztObjType inType, std::string_view inValue);

// The reference text of a REST reference ("DNSZones/12" gives "{#4-#12}", "12" gives
// "{-#12}", "Ranges/10.0.0.0/24" gives "{#6-10.0.0.0/24}"). Text that already begins with "{"
// comes back unchanged, as does empty text. Never fails.
std::string restToRef(std::string_view inText);

// The REST reference of reference text with a known type and an id or name ("{#4-#12}" gives
// "DNSZones/12"); anything else comes back unchanged. Never fails.
std::string refToRest(std::string_view inText);
