// ztCryptor: the key tables, the padding rule and the hexadecimal form around ztCipherSet.
#include "cryptor/ztCryptor.h"

#include "cryptor/ztCipherSet.h"
#include "cryptor/ztHex.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// The key is the exclusive-or of these two tables (and the pass phrase), so that neither
// table alone, as it lies in the binary, is the key.
constexpr std::array<uint8_t, 32> kKeyTableA = {
    0x75, 0x19, 0xF0, 0x7B, 0xA3, 0x4C, 0x91, 0x5B, 0xE0, 0x22, 0xC7, 0x8E, 0x33, 0xF6, 0xC8, 0xDF,
    0x7D, 0xD9, 0x65, 0xCF, 0x29, 0x70, 0xE1, 0x5E, 0xED, 0xE9, 0x4D, 0x64, 0xD1, 0xF9, 0x8D, 0x5A};
constexpr std::array<uint8_t, 32> kKeyTableB = {
    0x2D, 0x6D, 0x65, 0x77, 0x4E, 0x82, 0x84, 0x7A, 0xE7, 0xC6, 0x57, 0xB2, 0x52, 0xDF, 0x28, 0xDA,
    0xCB, 0x76, 0x4E, 0x01, 0x65, 0x1B, 0x3E, 0x2E, 0x0F, 0xEB, 0x02, 0xDD, 0xF1, 0x3E, 0x0A, 0x7E};
constexpr std::array<uint8_t, 16> kIV = {0x33, 0x1F, 0x31, 0x2E, 0xFA, 0x5A, 0x28, 0x0C,
                                         0x5D, 0x3A, 0x99, 0x05, 0x17, 0x38, 0x73, 0xBC};

// Short values are padded to 9 bytes so that their length does not show.
constexpr size_t kMinimumPaddedLength = 9;

size_t paddedLength(size_t inLength) {
    return std::max(kMinimumPaddedLength, (inLength + 2) / 3 * 3);
}

} // namespace

ztCryptor::ztCryptor(const std::string& inPassPhrase) {
    for (size_t i = 0; i < itsKey.size(); ++i) {
        itsKey[i] = kKeyTableA[i] ^ kKeyTableB[i];
        if (i < inPassPhrase.size())
            itsKey[i] ^= static_cast<uint8_t>(inPassPhrase[i]);
    }
}

ztCryptor::~ztCryptor() {
    // volatile keeps the compiler from dropping a store to memory that dies here.
    volatile uint8_t* key = itsKey.data();
    for (size_t i = 0; i < itsKey.size(); ++i)
        key[i] = 0;
}

std::string ztCryptor::encrypt(const std::string& inText) const {
    std::vector<uint8_t> buffer(paddedLength(inText.size()), 0);
    std::memcpy(buffer.data(), inText.data(), inText.size());
    ztCipherSet cipher(itsKey.data(), itsKey.size(), kIV.data());
    cipher.encrypt(buffer.data(), buffer.data(), buffer.size());
    return zt::cryptor::hexEncode(buffer.data(), buffer.size());
}

std::string ztCryptor::decrypt(const std::string& inHexText) const {
    std::vector<uint8_t> buffer;
    if (!zt::cryptor::hexDecode(inHexText, buffer))
        return std::string();
    ztCipherSet cipher(itsKey.data(), itsKey.size(), kIV.data());
    cipher.decrypt(buffer.data(), buffer.data(), buffer.size());
    const auto end = std::find(buffer.begin(), buffer.end(), uint8_t{0});
    return std::string(buffer.begin(), end);
}
