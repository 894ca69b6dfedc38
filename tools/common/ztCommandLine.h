#pragma once
// Pieces of command-line parsing that the programs share.

#include <cstdint>
#include <string>
#include <string_view>

// A decimal number that fills inText and is at most inMaximum; false otherwise.
bool ztParseDecimal(std::string_view inText, uint64_t inMaximum, uint64_t& outValue);

// Splits HOST[:PORT]. An IPv6 literal with a port is written in brackets ("[::1]:1231"); a
// bare text with two colons or more is an IPv6 literal without a port. outPort is empty
// when there is none, also after a trailing ':'. Returns empty, or what is wrong with the
// brackets.
std::string ztSplitHostPort(std::string_view inText, std::string_view& outHost,
                            std::string_view& outPort);
