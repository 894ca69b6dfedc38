#pragma once
// Hexadecimal text of binary values as the wire and the stored passwords carry it: upper-case
// digits, no separators. Reading is strict, because a decoder that skips foreign characters
// would turn damaged text into a different value instead of an error.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zt::cryptor {

// Two upper-case digits per byte.
std::string hexEncode(const uint8_t* inData, size_t inLength);

// Decodes digits of either case. Returns false, leaving outBytes empty, when the text has
// an odd length or a character that is not a hexadecimal digit.
bool hexDecode(std::string_view inText, std::vector<uint8_t>& outBytes);

} // namespace zt::cryptor
