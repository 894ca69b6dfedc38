// The key exchange of ztSecureTCPEndpoint and its encrypting transfers. Whatever a peer
// sends during the handshake (short records, a wrong magic, absurd lengths, a damaged key
// or secret) ends in an error value and a closed socket; every read is bounded by the
// handshake time-out.
#include "net/ztSecureTCPEndpoint.h"

#include "cryptor/ztCipherSet.h"
#include "cryptor/ztRSACryptor.h"
#include "messages/ztAssert.h"
#include "messages/ztInfoLog.h"
#include "messages/ztLogFmt.h"
#include "util/ztTimer.h"

#include <cstring>
#include <new>

struct ztSecureTCPEndpoint::Hello {
    std::array<uint8_t, 4> flags{}; // version, reserved, encrypt, compress
    uint16_t length = 0;

    uint8_t encrypt() const { return flags[2]; }
    uint8_t compress() const { return flags[3]; }
};

namespace {

constexpr char kMagic[4] = {'Z', 'T', 'S', 'L'};
// Offsets in the secret of the two values the ciphers use.
constexpr size_t kIVOffset = 0;
constexpr size_t kKeyOffset = 32;
constexpr size_t kKeySize = 16;

// Gives an endpoint another operation time-out for as long as it lives.
class TimeoutScope {
public:
    TimeoutScope(ztNetEndpoint& ioEndpoint, int32_t inTimeoutMs)
        : itsEndpoint(ioEndpoint), itsSaved(ioEndpoint.getTimeout()) {
        itsEndpoint.setTimeout(inTimeoutMs);
    }
    TimeoutScope(const TimeoutScope&) = delete;
    TimeoutScope& operator=(const TimeoutScope&) = delete;
    ~TimeoutScope() { itsEndpoint.setTimeout(itsSaved); }

private:
    ztNetEndpoint& itsEndpoint;
    const int32_t itsSaved;
};

ztErr refuse(const char* inSide, const std::string& inReason) {
    ztLogFmt(6, "ztSecureTCPEndpoint::{} handshake refused: {}", inSide, inReason);
    return ztErr_connectFailed;
}

bool lengthIsAcceptable(uint16_t inLength) {
    return inLength >= 1 && inLength <= ztSecureTCPEndpoint::maxHelloLength;
}

std::string lengthReason(uint16_t inLength) {
    return "announced length " + std::to_string(inLength) + " outside 1 to " +
           std::to_string(ztSecureTCPEndpoint::maxHelloLength);
}

} // namespace

ztSecureTCPEndpoint::ztSecureTCPEndpoint(int32_t inTimeoutMs, ztEvent* inInterrupt, bool inCompress)
    : ztTCPEndpoint(inTimeoutMs, inInterrupt), itsRSA(std::make_unique<ztRSACryptor>()),
      itsCompress(inCompress ? 1 : 0), itsCompressWish(inCompress) {}

ztSecureTCPEndpoint::~ztSecureTCPEndpoint() = default;

void ztSecureTCPEndpoint::setEncrypt(bool inEncrypt) {
    itsEncryptWish = inEncrypt;
    itsEncrypt = inEncrypt ? 1 : 0;
}

bool ztSecureTCPEndpoint::setKeyPair(const std::string& inPrivateKeyText) {
    itsHasKeyPair = itsRSA->setPrivateKeyText(inPrivateKeyText);
    itsPublicKeyText = itsHasKeyPair ? itsRSA->getPublicKeyText() : std::string();
    return itsHasKeyPair;
}

bool ztSecureTCPEndpoint::setKeyPair(const ztSecureTCPEndpoint& inListener) {
    itsHasKeyPair = inListener.itsHasKeyPair && itsRSA->setKeysOf(*inListener.itsRSA) &&
                    itsRSA->hasPrivateKey();
    itsPublicKeyText = itsHasKeyPair ? itsRSA->getPublicKeyText() : std::string();
    return itsHasKeyPair;
}

const std::string& ztSecureTCPEndpoint::getPrivateKeyText() const {
    return itsRSA->getPrivateKeyText();
}

ztErr ztSecureTCPEndpoint::ensureKeyPair() {
    if (itsHasKeyPair)
        return ztErr_noError;
    if (!itsRSA->generateKeyPair()) {
        ztLog(6, "ztSecureTCPEndpoint: unable to generate the key pair");
        return ztErr_encryptionSetup;
    }
    itsHasKeyPair = true;
    itsPublicKeyText = itsRSA->getPublicKeyText();
    return ztErr_noError;
}

// ---- opening

ztErr ztSecureTCPEndpoint::connect(const ztIPv6& inAddress, uint16_t inPort) {
    return finishConnect(ztTCPEndpoint::connect(inAddress, inPort));
}

ztErr ztSecureTCPEndpoint::connect(const std::string& inHostName, uint16_t inPort) {
    return finishConnect(ztTCPEndpoint::connect(inHostName, inPort));
}

ztErr ztSecureTCPEndpoint::finishConnect(ztErr inConnected) {
    if (inConnected != ztErr_noError)
        return inConnected;
    ztErr result = ztErr_noError;
    try {
        result = runClientHandshake();
    } catch (...) {
        close();
        throw;
    }
    if (result != ztErr_noError)
        close();
    return result;
}

ztErr ztSecureTCPEndpoint::startListen(uint16_t inPort, const ztIPv6& inLocalAddress) {
    const ztErr keyResult = ensureKeyPair();
    if (keyResult != ztErr_noError)
        return keyResult;
    return ztTCPEndpoint::startListen(inPort, inLocalAddress);
}

std::unique_ptr<ztNetEndpoint> ztSecureTCPEndpoint::accept() {
    const ztTimer timer(true);
    for (;;) {
        std::unique_ptr<ztNetEndpoint> endpoint = ztTCPEndpoint::accept();
        if (!endpoint)
            return nullptr;
        auto* secure = dynamic_cast<ztSecureTCPEndpoint*>(endpoint.get());
        ztAssert(secure != nullptr);
        if (secure != nullptr && (!itsHasKeyPair || secure->setKeyPair(*this))) {
            ztErr result = ztErr_noError;
            try {
                result = secure->runAcceptingHandshake();
            } catch (...) {
                secure->close();
                throw;
            }
            if (result == ztErr_noError)
                return endpoint;
        }
        endpoint->close();
        if (itsTimeoutMs != noTimeout && timer.elapsed() >= static_cast<uint32_t>(itsTimeoutMs))
            return nullptr;
    }
}

ztErr ztSecureTCPEndpoint::secureAccepted() {
    if (!isOpen())
        return ztErr_connectFailed;
    ztErr result = ensureKeyPair();
    if (result == ztErr_noError) {
        try {
            result = runAcceptingHandshake();
        } catch (...) {
            close();
            throw;
        }
    }
    if (result != ztErr_noError)
        close();
    return result;
}

std::unique_ptr<ztNetEndpoint> ztSecureTCPEndpoint::createEndpoint(ztEvent* inInterrupt,
                                                                   int32_t inTimeoutMs) {
    auto endpoint =
        std::make_unique<ztSecureTCPEndpoint>(inTimeoutMs, inInterrupt, itsCompressWish);
    endpoint->setEncrypt(itsEncryptWish);
    endpoint->setHandshakeTimeout(itsHandshakeTimeoutMs);
    endpoint->setPreferredFamily(getPreferredFamily());
    return endpoint;
}

void ztSecureTCPEndpoint::close() {
    ztTCPEndpoint::close();
    itsCiphersReady = false;
    itsCiphers.reset();
}

// ---- handshake

void ztSecureTCPEndpoint::startHandshake() {
    // The hello bytes of an earlier connection are negotiated values, not wishes.
    itsCiphersReady = false;
    itsCiphers.reset();
    itsVersion = 1;
    itsReserved = 0;
    itsEncrypt = itsEncryptWish ? 1 : 0;
    itsCompress = itsCompressWish ? 1 : 0;
    setBufferSize(0);
}

ztErr ztSecureTCPEndpoint::sendHello(const std::array<uint8_t, 4>& inFlags, size_t inLength,
                                     const uint8_t* inPayload) {
    ztAssert(inLength <= 0xFFFF);
    std::vector<uint8_t> record(helloSize + (inPayload != nullptr ? inLength : 0));
    std::memcpy(record.data(), kMagic, sizeof kMagic);
    std::memcpy(record.data() + 4, inFlags.data(), inFlags.size());
    record[8] = static_cast<uint8_t>(inLength >> 8);
    record[9] = static_cast<uint8_t>(inLength & 0xFF);
    if (inPayload != nullptr && inLength > 0)
        std::memcpy(record.data() + helloSize, inPayload, inLength);
    return write(record.data(), static_cast<uint32_t>(record.size()));
}

ztErr ztSecureTCPEndpoint::readHello(Hello& outHello) {
    uint8_t record[helloSize];
    const ztErr result = readFully(record, sizeof record);
    if (result != ztErr_noError)
        return result;
    if (std::memcmp(record, kMagic, sizeof kMagic) != 0)
        return refuse("readHello", "the record does not begin with \"ZTSL\"");
    std::memcpy(outHello.flags.data(), record + 4, outHello.flags.size());
    outHello.length = static_cast<uint16_t>(record[8] << 8 | record[9]);
    return ztErr_noError;
}

ztErr ztSecureTCPEndpoint::runClientHandshake() {
    startHandshake();
    const TimeoutScope timeout(*this, itsHandshakeTimeoutMs);
    ztErr result = sendHello({itsVersion, itsReserved, itsEncrypt, itsCompress}, 0);
    if (result == ztErr_noError)
        result = flush();
    if (result != ztErr_noError)
        return result;

    Hello server;
    result = readHello(server);
    if (result != ztErr_noError)
        return result;
    if (server.encrypt() == 0) {
        // Bytes announced behind a hello without encryption would be taken for packets.
        if (server.length != 0)
            return refuse("client", "announced length " + std::to_string(server.length) +
                                        " without encryption");
        adoptFlags(server.flags);
        setBufferSize(secureBufferSize);
        return ztErr_noError;
    }
    if (!lengthIsAcceptable(server.length))
        return refuse("client", lengthReason(server.length));

    std::string keyText(server.length, '\0');
    result = readFully(keyText.data(), server.length);
    if (result != ztErr_noError)
        return result;
    itsHasKeyPair = false;
    itsPublicKeyText.clear();
    if (!itsRSA->setPublicKeyText(keyText))
        return refuse("client", "the server's public key does not decode");
    itsPublicKeyText = itsRSA->getPublicKeyText();
    if (itsRSA->getMaxPlaintextLength() < secretSize)
        return refuse("client", "the server's key takes only " +
                                    std::to_string(itsRSA->getMaxPlaintextLength()) + " bytes");

    // Two draws of 32 bytes: IV and second value, then key and fourth value.
    if (!ztRSACryptor::generateRandom(itsSecret.data(), 32) ||
        !ztRSACryptor::generateRandom(itsSecret.data() + 32, 32))
        return refuse("client", "no random bytes for the secret");
    std::vector<uint8_t> block;
    if (!itsRSA->encrypt(itsSecret.data(), itsSecret.size(), block))
        return refuse("client", "the secret cannot be encrypted");

    result = sendHello(server.flags, block.size(), block.data());
    if (result == ztErr_noError)
        result = flush();
    if (result != ztErr_noError)
        return result;
    adoptFlags(server.flags);
    setupCiphers();
    setBufferSize(secureBufferSize);
    return ztErr_noError;
}

ztErr ztSecureTCPEndpoint::runAcceptingHandshake() {
    startHandshake();
    const TimeoutScope timeout(*this, itsHandshakeTimeoutMs);
    Hello client;
    ztErr result = readHello(client);
    if (result != ztErr_noError)
        return result;
    // The client's first hello announces nothing; bytes behind it would be read as its
    // second hello.
    if (client.length != 0)
        return refuse("accepting",
                      "announced length " + std::to_string(client.length) + " in the first hello");
    const bool encrypt = client.encrypt() != 0 && itsEncrypt != 0;
    const bool compress = client.compress() != 0 && itsCompress != 0;
    if (encrypt && !itsHasKeyPair)
        return ztErr_encryptionSetup;
    itsEncrypt = encrypt ? 1 : 0;
    itsCompress = compress ? 1 : 0;

    const size_t keyLength = encrypt ? itsPublicKeyText.size() : 0;
    result = sendHello({itsVersion, itsReserved, itsEncrypt, itsCompress}, keyLength,
                       reinterpret_cast<const uint8_t*>(itsPublicKeyText.data()));
    if (result == ztErr_noError)
        result = flush();
    if (result != ztErr_noError || !encrypt) {
        if (result == ztErr_noError)
            setBufferSize(secureBufferSize);
        return result;
    }

    Hello second;
    result = readHello(second);
    if (result != ztErr_noError)
        return result;
    if (!lengthIsAcceptable(second.length))
        return refuse("accepting", lengthReason(second.length));
    std::vector<uint8_t> block(second.length);
    result = readFully(block.data(), second.length);
    if (result != ztErr_noError)
        return result;
    std::vector<uint8_t> secret;
    if (!itsRSA->decrypt(block.data(), block.size(), secret))
        return refuse("accepting", "the secret does not decrypt");
    if (secret.size() != secretSize)
        return refuse("accepting", "a secret of " + std::to_string(secret.size()) + " bytes");
    std::memcpy(itsSecret.data(), secret.data(), secretSize);
    setupCiphers();
    setBufferSize(secureBufferSize);
    return ztErr_noError;
}

void ztSecureTCPEndpoint::adoptFlags(const std::array<uint8_t, 4>& inFlags) {
    itsVersion = inFlags[0];
    itsReserved = inFlags[1];
    itsEncrypt = inFlags[2];
    itsCompress = inFlags[3];
}

void ztSecureTCPEndpoint::setupCiphers() {
    try {
        itsCiphers = std::make_unique<ztCipherSet>(itsSecret.data() + kKeyOffset, kKeySize,
                                                   itsSecret.data() + kIVOffset);
    } catch (const std::bad_alloc&) {
        ztLog(6, "throwing bad_alloc");
        throw;
    }
    itsCiphersReady = true;
}

// ---- transfers

ztErr ztSecureTCPEndpoint::rawWrite(const void* inData, uint32_t inLength) {
    if (!itsCiphersReady)
        return ztTCPEndpoint::rawWrite(inData, inLength);
    if (!isOpen())
        return ztErr_connectFailed;
    if (inLength == 0)
        return ztErr_noError;
    if (itsScratch.size() < inLength)
        itsScratch.resize(inLength);
    itsCiphers->saveEncryptState();
    itsCiphers->encrypt(static_cast<const uint8_t*>(inData), itsScratch.data(), inLength);
    uint32_t sent = 0;
    const ztErr result = sendAll(itsScratch.data(), inLength, sent);
    // Bytes that never left may be written again later; the peer must then see them
    // encrypted at the same place of the stream.
    if (result != ztErr_noError && sent == 0 && itsCiphers)
        itsCiphers->restoreEncryptState();
    return result;
}

ztErr ztSecureTCPEndpoint::rawRead(void* outBuffer, uint32_t& ioLength) {
    const ztErr result = ztTCPEndpoint::rawRead(outBuffer, ioLength);
    if (result == ztErr_noError && itsCiphersReady) {
        auto* bytes = static_cast<uint8_t*>(outBuffer);
        itsCiphers->decrypt(bytes, bytes, ioLength);
    }
    return result;
}
