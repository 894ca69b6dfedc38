#pragma once
// The RSA side of the key exchange: RSAES-OAEP with SHA-1 (and MGF1) over keys that travel
// and are kept as hexadecimal text of their DER encodings (the public key as an X.509
// SubjectPublicKeyInfo, the private key as PKCS #8). The accepting side holds a key pair
// and decrypts; the connecting side holds the peer's public key and encrypts. Also the
// source of random bytes for session secrets.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class ztRSACryptor {
public:
    // The modulus size and public exponent of the accepting side's key pair.
    static constexpr unsigned defaultModulusBits = 2048;
    static constexpr unsigned defaultPublicExponent = 17;

    // Holds no key.
    ztRSACryptor();
    ztRSACryptor(ztRSACryptor&& ioOther) noexcept;
    ztRSACryptor& operator=(ztRSACryptor&& ioOther) noexcept;
    ztRSACryptor(const ztRSACryptor&) = delete;
    ztRSACryptor& operator=(const ztRSACryptor&) = delete;
    ~ztRSACryptor();

    // Replaces the keys by a new pair from an auto-seeded random pool. Slow (a good part of
    // a second for 2048 bits). Returns false, keeping no key, when generation fails.
    bool generateKeyPair(unsigned inModulusBits = defaultModulusBits,
                         unsigned inPublicExponent = defaultPublicExponent);
    // Replaces the keys by the pair in inPrivateKeyText (the text getPrivateKeyText gives);
    // the public key follows from it. Returns false, keeping no key, when the text is not
    // such a key.
    bool setPrivateKeyText(const std::string& inPrivateKeyText);
    // Replaces the keys by the public key in inPublicKeyText. Returns false, keeping no
    // key, when the text is not such a key. A client meets the same server key on every
    // connection, so the last few texts that decoded are remembered with their keys, for
    // the whole process: a text seen before is not decoded again.
    bool setPublicKeyText(const std::string& inPublicKeyText);
    // Replaces the keys by a copy of inSource's keys and texts, with no text decoded: how
    // each connection of a listener takes its key pair. inSource is only read, so it may be
    // copied from while other copies decrypt. Returns whether inSource held a key.
    bool setKeysOf(const ztRSACryptor& inSource);

    bool hasPrivateKey() const;
    bool hasPublicKey() const;
    // Upper-case hexadecimal, no separators; empty without the key.
    const std::string& getPrivateKeyText() const { return itsPrivateKeyText; }
    const std::string& getPublicKeyText() const { return itsPublicKeyText; }

    // The longest message encrypt takes (modulus bytes - 42 for OAEP with SHA-1), and the
    // size of every encrypted block (the modulus bytes); 0 without a public key.
    size_t getMaxPlaintextLength() const;
    size_t getCiphertextLength() const;

    // Encrypts inLength bytes under the public key into outBlock. Returns false when there
    // is no public key, the message is too long or the encryption fails.
    bool encrypt(const uint8_t* inData, size_t inLength, std::vector<uint8_t>& outBlock) const;
    // Decrypts one block with the private key into outData. Returns false when there is no
    // private key, the block is not exactly getCiphertextLength() bytes, or its padding does
    // not check out (a damaged or foreign block).
    bool decrypt(const uint8_t* inBlock, size_t inLength, std::vector<uint8_t>& outData) const;

    // Fills inLength bytes at outData from an auto-seeded random pool. Returns false when
    // the system's random source cannot be read. Any thread may call it.
    static bool generateRandom(uint8_t* outData, size_t inLength);

private:
    struct Keys;
    void clear();
    // Completes inKeys, which hold a private key, with the public half and both texts, and
    // keeps them.
    void adoptPrivateKey(std::unique_ptr<Keys> inKeys);

    std::unique_ptr<Keys> itsKeys;
    std::string itsPrivateKeyText;
    std::string itsPublicKeyText;
};
