#pragma once
// A small symmetric cipher for text values kept in memory (the session manager's stored
// passwords): AES-256 in CFB mode under a key built from two tables of the library and a
// pass phrase, with the result written as hexadecimal text. It hides values from casual
// reading of memory; it is not a protocol.

#include <array>
#include <cstdint>
#include <string>

class ztCryptor {
public:
    // Builds the key from the library's tables and inPassPhrase (only its first 32 bytes
    // count; an empty phrase gives the tables' own key).
    explicit ztCryptor(const std::string& inPassPhrase = std::string());
    ztCryptor(const ztCryptor&) = default;
    ztCryptor& operator=(const ztCryptor&) = default;
    // Overwrites the key.
    ~ztCryptor();

    // Pads inText with zero bytes to max(9, its length rounded up to a multiple of 3)
    // bytes, encrypts them and returns upper-case hexadecimal without separators (twice
    // as many digits as padded bytes). Any thread may call it.
    std::string encrypt(const std::string& inText) const;
    // Reverses encrypt: the bytes up to the first zero byte. Text that is not hexadecimal
    // (odd length, another character) gives an empty result.
    std::string decrypt(const std::string& inHexText) const;

private:
    std::array<uint8_t, 32> itsKey{};
};
