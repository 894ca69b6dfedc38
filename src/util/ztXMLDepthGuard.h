#pragma once
// A linear pre-scan of XML text that bounds the element nesting depth before the text is
// handed to TinyXML, whose parser (and the destructor and printer of its trees) recurse
// once per level: about 37,000 levels overflow an 8 MiB stack and 4,600 a 1 MiB one.

#include "util/ztNestingLimit.h"

#include <cstddef>
#include <string_view>

// True when TinyXML can parse inText without nesting elements deeper than inMaxDepth.
// The scan follows TinyXML's own rules for where comments, CDATA sections, declarations,
// unknown tags and quoted attribute values end, so markup hidden in them is not counted.
// Where the rules of a malformed text are unclear (a declaration inside an element, a
// '<' or '>' inside a quoted declaration value, an unterminated construct) it answers
// false: such a text is not a request worth parsing. Costs one pass, no allocation.
bool ztXMLDepthWithin(std::string_view inText, size_t inMaxDepth = ztMaxNestingDepth);
