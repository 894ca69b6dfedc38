#pragma once
// A linear pre-scan of XML text that bounds the element nesting depth before the text is
// handed to TinyXML, whose parser (and the destructor and printer of its trees) recurse
// once per level: about 37,000 levels overflow an 8 MiB stack and 4,600 a 1 MiB one. The
// same scan checks numeric character references and turns those TinyXML's legacy encoding
// mode would cut to one byte into UTF-8.

#include "util/ztNestingLimit.h"

#include <cstddef>
#include <string>
#include <string_view>

// True when TinyXML can parse inText without nesting elements deeper than inMaxDepth.
// The scan follows TinyXML's own rules for where comments, CDATA sections, declarations,
// unknown tags and quoted attribute values end, so markup hidden in them is not counted.
// Where the rules of a malformed text are unclear (a declaration inside an element, a
// '<' or '>' inside a quoted declaration value, an unterminated construct, a "&#" that
// begins no well-formed character reference where TinyXML reads references) it answers
// false: such a text is not a request worth parsing. Costs one pass, no allocation.
bool ztXMLDepthWithin(std::string_view inText, size_t inMaxDepth = ztMaxNestingDepth);

enum class ztXMLScanResult {
    ok,
    // Too deep, or malformed so that the depth cannot be told (ztXMLDepthWithin is false).
    malformed,
    // A well-formed numeric character reference to a code point XML does not allow.
    forbiddenReference,
};

// The scan of ztXMLDepthWithin, and the numeric character references where TinyXML reads
// them (element text, quoted attribute values, the XML declaration): a "&#" must begin a
// reference "&#" decimal digits ";" or "&#x" hex digits ";" (malformed otherwise: TinyXML
// would skip the markup up to the next ";"), and the reference must name U+0001 to
// U+10FFFF other than a surrogate, U+FFFE or U+FFFF (forbiddenReference otherwise, with
// the first such reference as written in outBadReference, provided the depth is within
// bounds). On ok, outText is inText with every reference from U+0080 up in element text and
// attribute values replaced by the character's UTF-8 bytes, which TinyXML's legacy mode
// takes as they are and which change no markup; smaller references are left to TinyXML,
// which reads them right. Otherwise outText is empty.
ztXMLScanResult ztXMLPrepare(std::string_view inText, std::string& outText,
                             std::string& outBadReference, size_t inMaxDepth = ztMaxNestingDepth);
