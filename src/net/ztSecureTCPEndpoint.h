#pragma once
// A TCP endpoint that, once connected or accepted, runs the key exchange with its peer and
// from then on encrypts everything it sends and decrypts everything it receives (AES-128
// in CFB mode), so that the layers above see a plain byte stream.
//
// Handshake, all records unencrypted. Each side sends a 10-byte hello:
//   "ZTSL" | version 1 | reserved 0 | encrypt 0/1 | compress 0/1 | length (16-bit big-endian)
// where length counts the bytes that follow the hello. The client sends its wishes with
// length 0; the server answers with what it grants and, when it grants encryption, its RSA
// public key as hexadecimal text. The client then sends a second hello (repeating the
// server's four bytes) followed by a 64-byte secret encrypted under that key with
// RSAES-OAEP (SHA-1): IV, an unused value, the AES key, an unused value, 16 bytes each.

#include "net/ztTCPEndpoint.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class ztCipherSet;
class ztRSACryptor;

class ztSecureTCPEndpoint : public ztTCPEndpoint {
public:
    // Every handshake operation's time-out; the operation time-out is restored afterwards.
    static constexpr int32_t defaultHandshakeTimeoutMs = 15000;
    // The buffer size set after a handshake.
    static constexpr uint32_t secureBufferSize = 10240;
    // The longest key text or encrypted secret a hello may announce.
    static constexpr uint16_t maxHelloLength = 2048;
    static constexpr size_t helloSize = 10;
    static constexpr size_t secretSize = 64;

    // A closed endpoint that asks for (or, accepting, grants) encryption, and compression
    // when inCompress is set.
    ztSecureTCPEndpoint(int32_t inTimeoutMs, ztEvent* inInterrupt, bool inCompress);
    ~ztSecureTCPEndpoint() override;

    // Connect as ztIPEndpoint does, then run the client handshake. When the handshake fails
    // the socket is closed and its error returned: ztErr_connectFailed for a hello or key
    // that does not check out, ztErr_timeout, ztErr_cancelled or ztErr_netReadWrite from
    // the transfers. Throws std::bad_alloc when the ciphers cannot be allocated.
    ztErr connect(const ztIPv6& inAddress, uint16_t inPort) override;
    ztErr connect(const std::string& inHostName, uint16_t inPort) override;
    // Creates the key pair first if there is none (ztErr_encryptionSetup on failure; slow,
    // see ztRSACryptor), then listens as ztIPEndpoint does.
    ztErr startListen(uint16_t inPort, const ztIPv6& inLocalAddress) override;
    // Accepts connections until one completes the accepting handshake, within the operation
    // time-out, and returns it; connections whose handshake fails are closed and dropped.
    // Null when none completed in time. Each connection gets a copy of this key pair
    // (setKeyPair with this endpoint).
    std::unique_ptr<ztNetEndpoint> accept() override;
    // Runs the accepting handshake on a connection accepted as plain TCP, creating a key
    // pair first if there is none (ztErr_encryptionSetup on failure). On failure the socket
    // is closed and the error returned.
    ztErr secureAccepted() override;
    // A closed ztSecureTCPEndpoint with the same wishes, handshake time-out and family.
    std::unique_ptr<ztNetEndpoint> createEndpoint(ztEvent* inInterrupt,
                                                  int32_t inTimeoutMs) override;
    // Also forgets the ciphers: a later connect starts with a fresh handshake.
    void close() override;

    // Once the handshake set up the ciphers, these encrypt and decrypt; before, they are the
    // plain TCP transfers. A write that sends nothing leaves the cipher stream where it was.
    ztErr rawWrite(const void* inData, uint32_t inLength) override;
    ztErr rawRead(void* outBuffer, uint32_t& ioLength) override;

    // The compress byte: the wish until a handshake, then what was negotiated. The connect
    // code gives it to the packet layer as its compression flag.
    uint8_t getCompress() const { return itsCompress; }
    // Whether the connection is encrypted (the handshake set up the ciphers).
    bool isEncrypted() const { return itsCiphersReady; }
    // Whether to ask for (client) or grant (accepting side) encryption; on by default.
    void setEncrypt(bool inEncrypt);
    void setHandshakeTimeout(int32_t inTimeoutMs) { itsHandshakeTimeoutMs = inTimeoutMs; }

    // Takes the key pair from the text ztRSACryptor::getPrivateKeyText gives, so that a
    // listener need not generate one. Returns false, leaving no key pair, for bad text.
    bool setKeyPair(const std::string& inPrivateKeyText);
    // Takes a copy of inListener's key pair as it is already decoded: what a listener hands
    // each connection it accepts (decoding the text costs about as much as a tenth of the
    // handshake's private-key operation). Returns false, leaving no key pair, when
    // inListener has none.
    bool setKeyPair(const ztSecureTCPEndpoint& inListener);
    bool hasKeyPair() const { return itsHasKeyPair; }
    // The key pair as setKeyPair takes it, for the connections a listener hands on.
    const std::string& getPrivateKeyText() const;
    // The public key as the hello carries it; on the client side the server's, after a
    // handshake with encryption.
    const std::string& getPublicKeyText() const { return itsPublicKeyText; }

private:
    struct Hello;

    ztErr finishConnect(ztErr inConnected);
    ztErr runClientHandshake();
    ztErr runAcceptingHandshake();
    ztErr ensureKeyPair();
    // Writes a hello announcing inLength bytes and those bytes (inPayload, null for none)
    // behind it in one piece: written apart, the second part would wait for the peer's
    // acknowledgement of the first (Nagle), which the peer delays while it waits for more.
    ztErr sendHello(const std::array<uint8_t, 4>& inFlags, size_t inLength,
                    const uint8_t* inPayload = nullptr);
    ztErr readHello(Hello& outHello);
    void startHandshake();
    void adoptFlags(const std::array<uint8_t, 4>& inFlags);
    void setupCiphers();

    std::unique_ptr<ztRSACryptor> itsRSA;
    bool itsHasKeyPair = false;
    std::string itsPublicKeyText;
    // The session secret: IV, second value, key, fourth value (16 bytes each).
    std::array<uint8_t, secretSize> itsSecret{};
    // The hello bytes: the wishes until a handshake, then the negotiated values.
    uint8_t itsVersion = 1;
    uint8_t itsReserved = 0;
    uint8_t itsEncrypt = 1;
    uint8_t itsCompress = 0;
    bool itsCiphersReady = false;
    std::vector<uint8_t> itsScratch; // encrypted bytes on their way out
    std::unique_ptr<ztCipherSet> itsCiphers;
    bool itsEncryptWish = true;
    bool itsCompressWish = false;
    int32_t itsHandshakeTimeoutMs = defaultHandshakeTimeoutMs;
};
