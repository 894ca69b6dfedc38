// ztCipherSet over Crypto++: CFB mode with an external AES cipher, so that the encryptor,
// the decryptor and the saved encryptor state share one key schedule.
#include "cryptor/ztCipherSet.h"

#include "messages/ztException.h"

#include <cryptopp/aes.h>
#include <cryptopp/modes.h>

#include <optional>
#include <string>

struct ztCipherSet::Ciphers {
    Ciphers(const uint8_t* inKey, size_t inKeyLength, const uint8_t* inIV)
        : block(inKey, inKeyLength), encryptor(block, inIV), decryptor(block, inIV) {}

    // The modes keep a pointer to the block cipher, so this object never moves.
    CryptoPP::AES::Encryption block;
    CryptoPP::CFB_Mode_ExternalCipher::Encryption encryptor;
    CryptoPP::CFB_Mode_ExternalCipher::Decryption decryptor;
    std::optional<CryptoPP::CFB_Mode_ExternalCipher::Encryption> savedEncryptor;
};

ztCipherSet::ztCipherSet(const uint8_t* inKey, size_t inKeyLength, const uint8_t* inIV) {
    if (inKeyLength != 16 && inKeyLength != 24 && inKeyLength != 32)
        throw zt::ex::InvalidArgument("AES key of " + std::to_string(inKeyLength) +
                                      " bytes; 16, 24 or 32 expected");
    itsCiphers = std::make_unique<Ciphers>(inKey, inKeyLength, inIV);
}

ztCipherSet::ztCipherSet(ztCipherSet&& ioOther) noexcept = default;
ztCipherSet& ztCipherSet::operator=(ztCipherSet&& ioOther) noexcept = default;
ztCipherSet::~ztCipherSet() = default;

void ztCipherSet::encrypt(const uint8_t* inPlain, uint8_t* outCipher, size_t inLength) {
    itsCiphers->encryptor.ProcessData(outCipher, inPlain, inLength);
}

void ztCipherSet::decrypt(const uint8_t* inCipher, uint8_t* outPlain, size_t inLength) {
    itsCiphers->decryptor.ProcessData(outPlain, inCipher, inLength);
}

void ztCipherSet::saveEncryptState() {
    // Assignment reuses the register of an earlier save: no allocation per packet.
    if (itsCiphers->savedEncryptor)
        *itsCiphers->savedEncryptor = itsCiphers->encryptor;
    else
        itsCiphers->savedEncryptor.emplace(itsCiphers->encryptor);
}

void ztCipherSet::restoreEncryptState() {
    if (itsCiphers->savedEncryptor)
        itsCiphers->encryptor = *itsCiphers->savedEncryptor;
}
