// ztRSACryptor over Crypto++'s RSAES_OAEP_SHA encryptor and decryptor.
#include "cryptor/ztRSACryptor.h"

#include "cryptor/ztHex.h"
#include "platform/ztRandom.h"

#include <cryptopp/queue.h>
#include <cryptopp/randpool.h>
#include <cryptopp/rsa.h>
#include <cryptopp/secblock.h>

#include <array>
#include <mutex>
#include <optional>
#include <stdexcept>

struct ztRSACryptor::Keys {
    std::optional<CryptoPP::RSAES_OAEP_SHA_Decryptor> decryptor; // only with a private key
    std::optional<CryptoPP::RSAES_OAEP_SHA_Encryptor> encryptor;
};

namespace {

// Crypto++'s RandomPool seeded with 32 bytes from the kernel, as AutoSeededRandomPool seeds
// it, but through getrandom rather than by opening /dev/urandom: a process that has just
// used its last descriptor for a connection's socket can still run that connection's
// handshake. Throws (a std::exception) when the kernel gives no randomness.
class KernelSeededPool : public CryptoPP::RandomPool {
public:
    KernelSeededPool() {
        CryptoPP::SecByteBlock seed(32);
        if (zt::platform::randomBytes(seed.data(), seed.size()) != 0)
            throw std::runtime_error("getrandom failed");
        IncorporateEntropy(seed.data(), seed.size());
    }
};

// Save writes the DER form: X.509 SubjectPublicKeyInfo or PKCS #8 PrivateKeyInfo.
std::string derHexOf(const CryptoPP::CryptoMaterial& inKey) {
    CryptoPP::ByteQueue queue;
    inKey.Save(queue);
    std::vector<uint8_t> der(static_cast<size_t>(queue.MaxRetrievable()));
    queue.Get(der.data(), der.size());
    return zt::cryptor::hexEncode(der.data(), der.size());
}

// The DER bytes of a key text in a queue ready for BER decoding; false for bad hex.
bool queueFromHex(const std::string& inText, CryptoPP::ByteQueue& outQueue) {
    std::vector<uint8_t> der;
    if (!zt::cryptor::hexDecode(inText, der) || der.empty())
        return false;
    outQueue.Put(der.data(), der.size());
    outQueue.MessageEnd();
    return true;
}

// The cheap checks (odd modulus above 1, odd exponent between 1 and the modulus): a key
// from a peer that fails them is refused before any arithmetic is done with it.
bool isSane(const CryptoPP::CryptoMaterial& inKey) {
    return inKey.Validate(CryptoPP::NullRNG(), 0);
}

// Crypto++ builds the OAEP padding object on first use and publishes it through a relaxed
// load and a fence, which race detectors cannot follow. Building it once under a static
// initializer, which every cryptor passes, gives every thread a visible order.
void buildPaddingOnce() {
    static const bool built = [] {
        const CryptoPP::RSAES_OAEP_SHA_Encryptor encryptor;
        return encryptor.FixedMaxPlaintextLength() == 0;
    }();
    (void)built;
}

// Public keys decoded lately, by the text they came as, with the text they give. Each
// look-up copies the key out: every cryptor keeps its own Crypto++ objects, which are not
// made for use by several threads at once.
class PublicKeyMemo {
public:
    bool find(const std::string& inText, CryptoPP::RSAFunction& outKey, std::string& outCanonical) {
        std::lock_guard lock(itsMutex);
        for (const Entry& entry : itsEntries) {
            // An entry never filled has no text, and an empty text never decodes.
            if (!entry.text.empty() && entry.text == inText) {
                outKey = entry.key;
                outCanonical = entry.canonical;
                return true;
            }
        }
        return false;
    }

    // Replaces the entries in turn, so a client of a few servers keeps all their keys.
    void remember(const std::string& inText, const CryptoPP::RSAFunction& inKey,
                  const std::string& inCanonical) {
        std::lock_guard lock(itsMutex);
        Entry& entry = itsEntries[itsNext];
        itsNext = (itsNext + 1) % itsEntries.size();
        entry.text = inText;
        entry.key = inKey;
        entry.canonical = inCanonical;
    }

private:
    struct Entry {
        std::string text;
        CryptoPP::RSAFunction key;
        std::string canonical;
    };
    std::mutex itsMutex;
    std::array<Entry, 8> itsEntries;
    size_t itsNext = 0;
};

PublicKeyMemo& publicKeyMemo() {
    // Never destroyed: a handshake may still run while static objects are torn down.
    static PublicKeyMemo* theMemo = new PublicKeyMemo;
    return *theMemo;
}

} // namespace

ztRSACryptor::ztRSACryptor() {
    buildPaddingOnce();
}
ztRSACryptor::ztRSACryptor(ztRSACryptor&& ioOther) noexcept = default;
ztRSACryptor& ztRSACryptor::operator=(ztRSACryptor&& ioOther) noexcept = default;
ztRSACryptor::~ztRSACryptor() = default;

void ztRSACryptor::clear() {
    itsKeys.reset();
    itsPrivateKeyText.clear();
    itsPublicKeyText.clear();
}

void ztRSACryptor::adoptPrivateKey(std::unique_ptr<Keys> inKeys) {
    inKeys->encryptor.emplace(*inKeys->decryptor);
    itsPrivateKeyText = derHexOf(inKeys->decryptor->GetPrivateKey());
    itsPublicKeyText = derHexOf(inKeys->encryptor->GetPublicKey());
    itsKeys = std::move(inKeys);
}

bool ztRSACryptor::generateKeyPair(unsigned inModulusBits, unsigned inPublicExponent) {
    clear();
    try {
        KernelSeededPool random;
        auto keys = std::make_unique<Keys>();
        keys->decryptor.emplace(random, inModulusBits, inPublicExponent);
        adoptPrivateKey(std::move(keys));
        return true;
    } catch (const std::exception&) {
        clear();
        return false;
    }
}

bool ztRSACryptor::setPrivateKeyText(const std::string& inPrivateKeyText) {
    clear();
    try {
        CryptoPP::ByteQueue queue;
        if (!queueFromHex(inPrivateKeyText, queue))
            return false;
        auto keys = std::make_unique<Keys>();
        keys->decryptor.emplace();
        keys->decryptor->AccessPrivateKey().Load(queue);
        if (!isSane(keys->decryptor->GetPrivateKey()))
            return false;
        adoptPrivateKey(std::move(keys));
        return true;
    } catch (const std::exception&) {
        clear();
        return false;
    }
}

bool ztRSACryptor::setPublicKeyText(const std::string& inPublicKeyText) {
    clear();
    try {
        auto keys = std::make_unique<Keys>();
        keys->encryptor.emplace();
        if (publicKeyMemo().find(inPublicKeyText, keys->encryptor->AccessKey(), itsPublicKeyText)) {
            itsKeys = std::move(keys);
            return true;
        }
        CryptoPP::ByteQueue queue;
        if (!queueFromHex(inPublicKeyText, queue))
            return false;
        keys->encryptor->AccessPublicKey().Load(queue);
        if (!isSane(keys->encryptor->GetPublicKey()))
            return false;
        itsPublicKeyText = derHexOf(keys->encryptor->GetPublicKey());
        publicKeyMemo().remember(inPublicKeyText, keys->encryptor->GetKey(), itsPublicKeyText);
        itsKeys = std::move(keys);
        return true;
    } catch (const std::exception&) {
        clear();
        return false;
    }
}

bool ztRSACryptor::setKeysOf(const ztRSACryptor& inSource) {
    if (&inSource == this)
        return itsKeys != nullptr;
    clear();
    if (!inSource.itsKeys)
        return false;
    try {
        auto keys = std::make_unique<Keys>();
        if (inSource.itsKeys->decryptor) {
            keys->decryptor.emplace();
            keys->decryptor->AccessKey() = inSource.itsKeys->decryptor->GetKey();
        }
        if (inSource.itsKeys->encryptor) {
            keys->encryptor.emplace();
            keys->encryptor->AccessKey() = inSource.itsKeys->encryptor->GetKey();
        }
        itsPrivateKeyText = inSource.itsPrivateKeyText;
        itsPublicKeyText = inSource.itsPublicKeyText;
        itsKeys = std::move(keys);
        return true;
    } catch (const std::exception&) {
        clear();
        return false;
    }
}

bool ztRSACryptor::hasPrivateKey() const {
    return itsKeys && itsKeys->decryptor;
}

bool ztRSACryptor::hasPublicKey() const {
    return itsKeys && itsKeys->encryptor;
}

size_t ztRSACryptor::getMaxPlaintextLength() const {
    return hasPublicKey() ? itsKeys->encryptor->FixedMaxPlaintextLength() : 0;
}

size_t ztRSACryptor::getCiphertextLength() const {
    return hasPublicKey() ? itsKeys->encryptor->FixedCiphertextLength() : 0;
}

bool ztRSACryptor::encrypt(const uint8_t* inData, size_t inLength,
                           std::vector<uint8_t>& outBlock) const {
    outBlock.clear();
    if (!hasPublicKey() || inLength > getMaxPlaintextLength())
        return false;
    try {
        KernelSeededPool random;
        outBlock.resize(getCiphertextLength());
        itsKeys->encryptor->Encrypt(random, inData, inLength, outBlock.data());
        return true;
    } catch (const std::exception&) {
        outBlock.clear();
        return false;
    }
}

bool ztRSACryptor::decrypt(const uint8_t* inBlock, size_t inLength,
                           std::vector<uint8_t>& outData) const {
    outData.clear();
    // Crypto++ reads a whole modulus worth of bytes whatever length it is given, so a short
    // block from a peer must be refused here.
    if (!hasPrivateKey() || inLength != itsKeys->decryptor->FixedCiphertextLength())
        return false;
    try {
        KernelSeededPool random;
        outData.resize(itsKeys->decryptor->MaxPlaintextLength(inLength));
        const CryptoPP::DecodingResult result =
            itsKeys->decryptor->Decrypt(random, inBlock, inLength, outData.data());
        if (!result.isValidCoding) {
            outData.clear();
            return false;
        }
        outData.resize(result.messageLength);
        return true;
    } catch (const std::exception&) {
        outData.clear();
        return false;
    }
}

bool ztRSACryptor::generateRandom(uint8_t* outData, size_t inLength) {
    try {
        KernelSeededPool random;
        random.GenerateBlock(outData, inLength);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}
