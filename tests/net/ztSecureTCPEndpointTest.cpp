// The secure endpoint on loopback: hello records byte for byte, both handshakes against a
// peer written here from the cryptor primitives (so the wire format is checked, not just
// agreement with itself), the negotiation of encryption and compression, streams that
// decrypt whole however they are cut, and peers that send anything at all.
#include "net/ztSecureTCPEndpoint.h"

#include "cryptor/ztCipherSet.h"
#include "cryptor/ztRSACryptor.h"
#include "cryptor/ztTestKeyPair.h"
#include "net/ztNetTestSupport.h"
#include "net/ztTCPEndpoint.h"
#include "threads/ztSingleEvent.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

using namespace zt::test;

namespace {

constexpr int32_t kLongTimeout = 5000;
// Peers that stay silent are given up on after this, not after 15 s.
constexpr int32_t kShortHandshake = 300;

std::unique_ptr<ztSecureTCPEndpoint> secureEndpoint(bool inCompress = true,
                                                    int32_t inTimeout = kLongTimeout) {
    auto endpoint = std::make_unique<ztSecureTCPEndpoint>(inTimeout, nullptr, inCompress);
    endpoint->setHandshakeTimeout(kShortHandshake);
    return endpoint;
}

std::unique_ptr<ztSecureTCPEndpoint> secureListener(bool inCompress = true) {
    auto listener = secureEndpoint(inCompress);
    EXPECT_TRUE(listener->setKeyPair(ztTestPrivateKeyText));
    return listener;
}

std::string hello(uint8_t inEncrypt, uint8_t inCompress, uint16_t inLength,
                  const char* inMagic = "ZTSL") {
    std::string record(inMagic, 4);
    record += {'\x01',
               '\x00',
               static_cast<char>(inEncrypt),
               static_cast<char>(inCompress),
               static_cast<char>(inLength >> 8),
               static_cast<char>(inLength & 0xFF)};
    return record;
}

std::string asString(const std::vector<uint8_t>& inBytes) {
    return std::string(inBytes.begin(), inBytes.end());
}

// The side of a connection that the tests play by hand: plain TCP plus a cipher set built
// from a secret, as the peer of the protocol would.
struct ManualPeer {
    std::unique_ptr<ztNetEndpoint> endpoint;
    std::unique_ptr<ztCipherSet> ciphers;

    void send(const std::string& inBytes) {
        ASSERT_EQ(endpoint->write(inBytes.data(), inBytes.size()), ztErr_noError);
        ASSERT_EQ(endpoint->flush(), ztErr_noError);
    }
    std::string receive(size_t inLength) {
        std::string bytes;
        EXPECT_EQ(readAll(*endpoint, inLength, bytes), ztErr_noError);
        return bytes;
    }
    void useSecret(const std::vector<uint8_t>& inSecret) {
        ASSERT_EQ(inSecret.size(), 64u);
        ciphers = std::make_unique<ztCipherSet>(inSecret.data() + 32, 16, inSecret.data());
    }
    void sendEncrypted(std::string inPlain) {
        auto* bytes = reinterpret_cast<uint8_t*>(inPlain.data());
        ciphers->encrypt(bytes, bytes, inPlain.size());
        send(inPlain);
    }
    std::string receiveDecrypted(size_t inLength) {
        std::string bytes = receive(inLength);
        auto* data = reinterpret_cast<uint8_t*>(bytes.data());
        ciphers->decrypt(data, data, bytes.size());
        return bytes;
    }
};

// A raw TCP listener whose connections are served, one after another, by scripts.
class ManualServer {
public:
    explicit ManualServer(uint8_t inLast) : itsListener(kLongTimeout) {
        EXPECT_EQ(itsListener.startListen(kPort, loopback(inLast)), ztErr_noError);
    }
    ManualPeer acceptPeer() {
        ManualPeer peer;
        peer.endpoint = itsListener.accept();
        EXPECT_NE(peer.endpoint, nullptr);
        return peer;
    }

private:
    ztTCPEndpoint itsListener;
};

// An X.509 RSA public key of exactly 1024 DER bytes (2048 hexadecimal digits): a 989-byte
// modulus and exponent 17. Nobody holds its private key; it only has to encrypt.
std::string largestAnnouncedKeyText() {
    constexpr size_t modulusLength = 989;
    std::vector<uint8_t> der;
    auto sequenceHeader = [&](uint8_t inTag, size_t inLength) {
        der.insert(der.end(), {inTag, 0x82, static_cast<uint8_t>(inLength >> 8),
                               static_cast<uint8_t>(inLength & 0xFF)});
    };
    const size_t publicKeyLength = 4 + modulusLength + 3; // the two INTEGERs
    const size_t bitStringLength = 1 + 4 + publicKeyLength;
    sequenceHeader(0x30, 15 + 4 + bitStringLength);
    der.insert(der.end(), {0x30, 0x0D, 0x06, 0x09, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01,
                           0x01, 0x05, 0x00});
    sequenceHeader(0x03, bitStringLength);
    der.push_back(0x00);
    sequenceHeader(0x30, publicKeyLength);
    sequenceHeader(0x02, modulusLength);
    der.push_back(0x7F);
    for (size_t i = 1; i < modulusLength; ++i)
        der.push_back(static_cast<uint8_t>(0x5A + i));
    der.back() |= 0x01; // an odd modulus
    der.insert(der.end(), {0x02, 0x01, 0x11});
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (const uint8_t byte : der) {
        text.push_back(kDigits[byte >> 4]);
        text.push_back(kDigits[byte & 0x0F]);
    }
    return text;
}

// Sends everything through inFrom while inTo reads it, then compares. Writes and reads are
// cut at different sizes, so the two cipher streams must stay in step across any split.
void expectStreamArrives(ztNetEndpoint& inFrom, ztNetEndpoint& inTo, uint32_t inSeed) {
    const std::string stream = patternBytes(3 << 20, inSeed);
    const std::vector<size_t> writeSizes = {1, 1, 1, 5120, 5121, 10240, 17, 65536, 1, 300000};
    const std::vector<uint32_t> readSizes = {1, 7, 4096, 100000, 1, 10240, 5121};
    PeerThread writer([&] {
        size_t offset = 0;
        for (size_t turn = 0; offset < stream.size(); ++turn) {
            const size_t length =
                std::min(writeSizes[turn % writeSizes.size()], stream.size() - offset);
            ASSERT_EQ(inFrom.write(stream.data() + offset, static_cast<uint32_t>(length)),
                      ztErr_noError);
            offset += length;
        }
        ASSERT_EQ(inFrom.flush(), ztErr_noError);
    });
    std::string received(stream.size(), '\0');
    size_t offset = 0;
    for (size_t turn = 0; offset < stream.size(); ++turn) {
        uint32_t length = static_cast<uint32_t>(
            std::min<size_t>(readSizes[turn % readSizes.size()], stream.size() - offset));
        ASSERT_EQ(inTo.read(received.data() + offset, length), ztErr_noError);
        offset += length;
    }
    EXPECT_TRUE(received == stream);
}

} // namespace

// ---- the client side against a server played by hand

TEST(ztSecureTCPEndpoint, clientHelloIsByteExact) {
    ManualServer server(40);
    for (const bool compress : {false, true}) {
        SCOPED_TRACE(compress);
        auto client = secureEndpoint(compress);
        ztErr result = ztErr_unknown;
        {
            PeerThread connector([&] { result = client->connect(loopback(40), kPort); });
            ManualPeer peer = server.acceptPeer();
            EXPECT_TRUE(peer.receive(10) == std::string("ZTSL\x01\x00\x01", 7) +
                                                static_cast<char>(compress) + std::string(2, '\0'));
            peer.endpoint->close();
        }
        EXPECT_EQ(result, ztErr_netReadWrite) << "the server hung up";
        EXPECT_FALSE(client->isOpen());
    }
}

TEST(ztSecureTCPEndpoint, clientSendsTheSecretUnderTheServersKeyAndEncryptsFromThen) {
    ManualServer server(41);
    auto client = secureEndpoint(true);
    ztErr result = ztErr_unknown;
    ManualPeer peer;
    {
        PeerThread connector([&] { result = client->connect(loopback(41), kPort); });
        peer = server.acceptPeer();
        EXPECT_EQ(peer.receive(10), hello(1, 1, 0));
        const std::string keyText = ztTestPublicKeyText;
        // The server grants encryption but no compression.
        peer.send(hello(1, 0, static_cast<uint16_t>(keyText.size())) + keyText);
        EXPECT_EQ(peer.receive(10), hello(1, 0, 256)) << "the server's bytes, and the block size";
        const std::string block = peer.receive(256);
        ztRSACryptor serverKeys;
        ASSERT_TRUE(serverKeys.setPrivateKeyText(ztTestPrivateKeyText));
        std::vector<uint8_t> secret;
        ASSERT_TRUE(serverKeys.decrypt(reinterpret_cast<const uint8_t*>(block.data()), block.size(),
                                       secret));
        peer.useSecret(secret);
    }
    ASSERT_EQ(result, ztErr_noError);
    EXPECT_TRUE(client->isEncrypted());
    EXPECT_EQ(client->getCompress(), 0) << "compression follows the server's byte";
    EXPECT_EQ(client->getBufferSize(), ztSecureTCPEndpoint::secureBufferSize);
    EXPECT_EQ(client->getTimeout(), kLongTimeout) << "the handshake time-out is undone";
    EXPECT_EQ(client->getPublicKeyText(), ztTestPublicKeyText);

    ASSERT_EQ(client->write("ping", 4), ztErr_noError);
    ASSERT_EQ(client->flush(), ztErr_noError);
    EXPECT_EQ(peer.receiveDecrypted(4), "ping");
    peer.sendEncrypted("pong");
    std::string received;
    ASSERT_EQ(readAll(*client, 4, received), ztErr_noError);
    EXPECT_EQ(received, "pong");
}

TEST(ztSecureTCPEndpoint, serverThatGrantsNoEncryptionGivesAPlainConnection) {
    ManualServer server(42);
    auto client = secureEndpoint(true);
    ztErr result = ztErr_unknown;
    ManualPeer peer;
    {
        PeerThread connector([&] { result = client->connect(loopback(42), kPort); });
        peer = server.acceptPeer();
        EXPECT_EQ(peer.receive(10), hello(1, 1, 0));
        peer.send(hello(0, 1, 0));
    }
    ASSERT_EQ(result, ztErr_noError);
    EXPECT_FALSE(client->isEncrypted());
    EXPECT_EQ(client->getCompress(), 1);
    EXPECT_EQ(client->getBufferSize(), ztSecureTCPEndpoint::secureBufferSize);
    ASSERT_EQ(client->write("plain", 5), ztErr_noError);
    ASSERT_EQ(client->flush(), ztErr_noError);
    EXPECT_EQ(peer.receive(5), "plain");
}

TEST(ztSecureTCPEndpoint, clientTakesAKeyOfTheLongestAnnouncedLength) {
    const std::string keyText = largestAnnouncedKeyText();
    ASSERT_EQ(keyText.size(), ztSecureTCPEndpoint::maxHelloLength);
    ManualServer server(43);
    auto client = secureEndpoint(false);
    ztErr result = ztErr_unknown;
    {
        PeerThread connector([&] { result = client->connect(loopback(43), kPort); });
        ManualPeer peer = server.acceptPeer();
        EXPECT_EQ(peer.receive(10), hello(1, 0, 0));
        peer.send(hello(1, 0, 2048) + keyText);
        EXPECT_EQ(peer.receive(10), hello(1, 0, 989)) << "one block of the 989-byte modulus";
        EXPECT_EQ(peer.receive(989).size(), 989u);
    }
    EXPECT_EQ(result, ztErr_noError);
}

TEST(ztSecureTCPEndpoint, clientRefusesEveryMalformedServerAnswer) {
    ztRSACryptor smallKey;
    ASSERT_TRUE(smallKey.generateKeyPair(512, 17));
    const std::string smallKeyText = smallKey.getPublicKeyText();
    const std::string goodKey = ztTestPublicKeyText;
    struct Row {
        const char* name;
        std::string answer; // sent after the client's hello
        bool hangUp;        // close afterwards instead of staying silent
        ztErr expected;
    };
    const Row rows[] = {
        {"wrong magic", hello(1, 0, 584, "ZTSX") + goodKey, false, ztErr_connectFailed},
        {"no key announced", hello(1, 0, 0), false, ztErr_connectFailed},
        {"length 2049", hello(1, 0, 2049) + std::string(2049, 'A'), false, ztErr_connectFailed},
        {"bytes behind a plain hello", hello(0, 0, 5) + "12345", false, ztErr_connectFailed},
        {"key not hexadecimal", hello(1, 0, 10) + "ZZZZZZZZZZ", false, ztErr_connectFailed},
        {"key that does not decode", hello(1, 0, 20) + std::string(20, '7'), false,
         ztErr_connectFailed},
        {"key too small for the secret",
         hello(1, 0, static_cast<uint16_t>(smallKeyText.size())) + smallKeyText, false,
         ztErr_connectFailed},
        {"short hello", "ZTSL\x01", true, ztErr_netReadWrite},
        {"short key", hello(1, 0, 584) + goodKey.substr(0, 100), true, ztErr_netReadWrite},
        {"silence", "", false, ztErr_timeout},
        {"key cut off in silence", hello(1, 0, 584) + goodKey.substr(0, 100), false, ztErr_timeout},
    };
    ManualServer server(44);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto client = secureEndpoint(false);
        ztErr result = ztErr_unknown;
        uint64_t spent = 0;
        {
            PeerThread connector(
                [&] { spent = millisOf([&] { result = client->connect(loopback(44), kPort); }); });
            ManualPeer peer = server.acceptPeer();
            EXPECT_EQ(peer.receive(10), hello(1, 0, 0));
            if (!row.answer.empty())
                peer.send(row.answer);
            if (row.hangUp)
                peer.endpoint->close();
            connector.join();
        }
        EXPECT_EQ(result, row.expected);
        EXPECT_FALSE(client->isOpen());
        EXPECT_LT(spent, 3000u);
    }
}

// ---- the accepting side against a client played by hand

TEST(ztSecureTCPEndpoint, serverAnswersWithItsKeyAndDecryptsFromThen) {
    auto listener = secureListener(true);
    ASSERT_EQ(listener->startListen(kPort, loopback(45)), ztErr_noError);
    ManualPeer peer;
    std::unique_ptr<ztNetEndpoint> accepted;
    {
        PeerThread client([&] {
            peer.endpoint = std::make_unique<ztTCPEndpoint>(kLongTimeout);
            ASSERT_EQ(peer.endpoint->connect(loopback(45), kPort), ztErr_noError);
            peer.send(hello(1, 1, 0));
            const std::string keyText = ztTestPublicKeyText;
            EXPECT_EQ(peer.receive(10), hello(1, 1, 584));
            EXPECT_EQ(peer.receive(584), keyText);
            ztRSACryptor serverKey;
            ASSERT_TRUE(serverKey.setPublicKeyText(keyText));
            std::vector<uint8_t> secret(64);
            ASSERT_TRUE(ztRSACryptor::generateRandom(secret.data(), secret.size()));
            std::vector<uint8_t> block;
            ASSERT_TRUE(serverKey.encrypt(secret.data(), secret.size(), block));
            peer.send(hello(1, 1, 256) + asString(block));
            peer.useSecret(secret);
        });
        accepted = listener->accept();
    }
    auto* server = dynamic_cast<ztSecureTCPEndpoint*>(accepted.get());
    ASSERT_NE(server, nullptr);
    EXPECT_TRUE(server->isEncrypted());
    EXPECT_EQ(server->getCompress(), 1);
    peer.sendEncrypted("hello");
    std::string received;
    ASSERT_EQ(readAll(*server, 5, received), ztErr_noError);
    EXPECT_EQ(received, "hello");
    ASSERT_EQ(server->write("world", 5), ztErr_noError);
    ASSERT_EQ(server->flush(), ztErr_noError);
    EXPECT_EQ(peer.receiveDecrypted(5), "world");
}

TEST(ztSecureTCPEndpoint, acceptingSideRefusesEveryMalformedClientRecord) {
    ztRSACryptor serverKey;
    ASSERT_TRUE(serverKey.setPublicKeyText(ztTestPublicKeyText));
    auto encrypted = [&](size_t inLength) {
        const std::vector<uint8_t> secret(inLength, 0x42);
        std::vector<uint8_t> block;
        EXPECT_TRUE(serverKey.encrypt(secret.data(), secret.size(), block));
        return asString(block);
    };
    const std::string first = hello(1, 0, 0);
    struct Row {
        const char* name;
        std::string records; // sent after connecting; the server's answer is read between
        bool hangUp;
        ztErr expected;
    };
    const Row rows[] = {
        {"wrong magic", hello(1, 0, 0, "ztsl"), false, ztErr_connectFailed},
        {"first hello announces bytes", hello(1, 0, 5) + "12345", false, ztErr_connectFailed},
        {"second hello without length", first + hello(1, 0, 0), false, ztErr_connectFailed},
        {"second hello length 2049", first + hello(1, 0, 2049) + std::string(2049, 'x'), false,
         ztErr_connectFailed},
        {"second hello wrong magic", first + hello(1, 0, 256, "ZTSM") + encrypted(64), false,
         ztErr_connectFailed},
        {"block of ten bytes", first + hello(1, 0, 10) + std::string(10, 'x'), false,
         ztErr_connectFailed},
        {"garbage block", first + hello(1, 0, 256) + std::string(256, 'x'), false,
         ztErr_connectFailed},
        {"secret of 63 bytes", first + hello(1, 0, 256) + encrypted(63), false,
         ztErr_connectFailed},
        {"secret of 65 bytes", first + hello(1, 0, 256) + encrypted(65), false,
         ztErr_connectFailed},
        {"short hello", "ZTSL", true, ztErr_netReadWrite},
        {"silence", "", false, ztErr_timeout},
        {"block cut off in silence", first + hello(1, 0, 256) + std::string(100, 'x'), false,
         ztErr_timeout},
    };
    auto listener = secureListener(false);
    ASSERT_EQ(listener->startListen(kPort, loopback(46)), ztErr_noError);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ztTCPEndpoint client(kLongTimeout);
        ztErr result = ztErr_unknown;
        std::unique_ptr<ztNetEndpoint> accepted;
        {
            PeerThread connector([&] {
                ASSERT_EQ(client.connect(loopback(46), kPort), ztErr_noError);
                if (!row.records.empty()) {
                    ASSERT_EQ(client.write(row.records.data(), row.records.size()), ztErr_noError);
                }
                if (row.hangUp)
                    client.close();
            });
            // Plain accept, then the handshake by hand, to see each failure's own value.
            accepted = listener->ztTCPEndpoint::accept();
            auto* server = dynamic_cast<ztSecureTCPEndpoint*>(accepted.get());
            ASSERT_NE(server, nullptr);
            ASSERT_TRUE(server->setKeyPair(ztTestPrivateKeyText));
            result = server->secureAccepted();
        }
        EXPECT_EQ(result, row.expected);
        EXPECT_FALSE(accepted->isOpen());
    }
}

TEST(ztSecureTCPEndpoint, acceptDropsFailedHandshakesAndReturnsTheNextGoodOne) {
    auto listener = secureListener(false);
    ASSERT_EQ(listener->startListen(kPort, loopback(47)), ztErr_noError);
    auto client = secureEndpoint(false);
    ztErr result = ztErr_unknown;
    std::unique_ptr<ztNetEndpoint> accepted;
    {
        PeerThread clients([&] {
            ztTCPEndpoint intruder(kLongTimeout);
            ASSERT_EQ(intruder.connect(loopback(47), kPort), ztErr_noError);
            ASSERT_EQ(intruder.write("GET / HTTP/1.0\r\n\r\n", 18), ztErr_noError);
            result = client->connect(loopback(47), kPort);
        });
        accepted = listener->accept();
    }
    EXPECT_EQ(result, ztErr_noError);
    auto* server = dynamic_cast<ztSecureTCPEndpoint*>(accepted.get());
    ASSERT_NE(server, nullptr);
    EXPECT_TRUE(server->isEncrypted());
    ASSERT_EQ(client->write("ok", 2), ztErr_noError);
    ASSERT_EQ(client->flush(), ztErr_noError);
    std::string received;
    ASSERT_EQ(readAll(*server, 2, received), ztErr_noError);
    EXPECT_EQ(received, "ok");
}

// ---- both sides of this class

TEST(ztSecureTCPEndpoint, negotiatesEncryptionAndCompressionAsBothSidesAllow) {
    uint8_t address = 48; // one listener per combination: 127.0.1.48 to .55
    for (const bool serverEncrypt : {true, false}) {
        for (const bool clientCompress : {true, false}) {
            for (const bool serverCompress : {true, false}) {
                SCOPED_TRACE(testing::Message()
                             << "client compress " << clientCompress << ", server compress "
                             << serverCompress << ", server encrypt " << serverEncrypt);
                auto listener = secureListener(serverCompress);
                listener->setEncrypt(serverEncrypt);
                ConnectedPair<ztSecureTCPEndpoint> pair =
                    connectPair(address++, std::move(listener), secureEndpoint(clientCompress));
                ASSERT_EQ(pair.clientResult, ztErr_noError);
                ASSERT_NE(pair.server, nullptr);
                const uint8_t compress = clientCompress && serverCompress ? 1 : 0;
                EXPECT_EQ(pair.client->getCompress(), compress);
                EXPECT_EQ(pair.server->getCompress(), compress);
                EXPECT_EQ(pair.client->isEncrypted(), serverEncrypt);
                EXPECT_EQ(pair.server->isEncrypted(), serverEncrypt);
                ASSERT_EQ(pair.client->write("abc", 3), ztErr_noError);
                ASSERT_EQ(pair.client->flush(), ztErr_noError);
                std::string received;
                ASSERT_EQ(readAll(*pair.server, 3, received), ztErr_noError);
                EXPECT_EQ(received, "abc");
            }
        }
    }
}

TEST(ztSecureTCPEndpoint, streamsDecryptWholeHoweverTheyAreCut) {
    ConnectedPair<ztSecureTCPEndpoint> pair =
        connectPair(56, secureListener(true), secureEndpoint(true));
    ASSERT_EQ(pair.clientResult, ztErr_noError);
    ASSERT_NE(pair.server, nullptr);
    ASSERT_TRUE(pair.client->isEncrypted());
    expectStreamArrives(*pair.client, *pair.server, 1);
    expectStreamArrives(*pair.server, *pair.client, 2);
}

TEST(ztSecureTCPEndpoint, reconnectingRunsAFreshHandshake) {
    auto listener = secureListener(true);
    ASSERT_EQ(listener->startListen(kPort, loopback(57)), ztErr_noError);
    auto client = secureEndpoint(true);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        ConnectedPair<ztSecureTCPEndpoint> pair =
            acceptPair(57, std::move(listener), std::move(client));
        ASSERT_EQ(pair.clientResult, ztErr_noError);
        ASSERT_NE(pair.server, nullptr);
        ASSERT_EQ(pair.client->write("round", 5), ztErr_noError);
        ASSERT_EQ(pair.client->flush(), ztErr_noError);
        std::string received;
        ASSERT_EQ(readAll(*pair.server, 5, received), ztErr_noError);
        EXPECT_EQ(received, "round");
        pair.client->close();
        listener = std::move(pair.listener);
        client = std::move(pair.client);
    }
}

TEST(ztSecureTCPEndpoint, listenerWithoutKeyPairGeneratesOne) {
    auto listener = secureEndpoint(false);
    EXPECT_FALSE(listener->hasKeyPair());
    ConnectedPair<ztSecureTCPEndpoint> pair =
        connectPair(58, std::move(listener), secureEndpoint(false));
    EXPECT_TRUE(pair.listener->hasKeyPair());
    EXPECT_EQ(pair.listener->getPublicKeyText().size(), 584u) << "a 2048-bit key";
    ASSERT_EQ(pair.clientResult, ztErr_noError);
    EXPECT_EQ(pair.client->getPublicKeyText(), pair.listener->getPublicKeyText());
    ASSERT_NE(pair.server, nullptr);
    EXPECT_TRUE(pair.server->isEncrypted());
}

TEST(ztSecureTCPEndpoint, connectingByNameRunsOneHandshakeWithTheAddressThatAnswered) {
    ResolverScope scope([](const std::string&) {
        return std::vector<ztIPv6>{loopback(59), loopback(60)};
    });
    auto listener = secureListener(true);
    ASSERT_EQ(listener->startListen(kPort, loopback(60)), ztErr_noError);
    auto client = secureEndpoint(true);
    ztErr result = ztErr_unknown;
    std::unique_ptr<ztNetEndpoint> accepted;
    {
        PeerThread connector([&] { result = client->connect(std::string("central.test"), kPort); });
        accepted = listener->accept();
    }
    ASSERT_EQ(result, ztErr_noError);
    EXPECT_EQ(client->getAddress(), loopback(60));
    ASSERT_NE(accepted, nullptr);
    ASSERT_EQ(client->write("named", 5), ztErr_noError);
    ASSERT_EQ(client->flush(), ztErr_noError);
    std::string received;
    ASSERT_EQ(readAll(*accepted, 5, received), ztErr_noError);
    EXPECT_EQ(received, "named");
}

namespace {

// A secure endpoint whose socket buffers a test may shrink (see the write test below).
class SmallBufferSecureEndpoint : public ztSecureTCPEndpoint {
public:
    SmallBufferSecureEndpoint() : ztSecureTCPEndpoint(kLongTimeout, nullptr, false) {
        setHandshakeTimeout(kShortHandshake);
    }
    std::unique_ptr<ztNetEndpoint> createEndpoint(ztEvent*, int32_t) override {
        return std::make_unique<SmallBufferSecureEndpoint>();
    }
    void shrinkBuffers() {
        itsSocket.setSendBufferSize(4096);
        itsSocket.setReceiveBufferSize(4096);
        for (const zt::platform::Socket& listener : itsListenSockets)
            listener.setReceiveBufferSize(4096);
    }
};

} // namespace

TEST(ztSecureTCPEndpoint, writeThatSentNothingKeepsTheCipherStreamInStep) {
    auto listener = std::make_unique<SmallBufferSecureEndpoint>();
    ASSERT_TRUE(listener->setKeyPair(ztTestPrivateKeyText));
    ASSERT_EQ(listener->startListen(kPort, loopback(61)), ztErr_noError);
    listener->shrinkBuffers();
    ConnectedPair<SmallBufferSecureEndpoint> pair =
        acceptPair(61, std::move(listener), std::make_unique<SmallBufferSecureEndpoint>());
    ASSERT_EQ(pair.clientResult, ztErr_noError);
    ASSERT_NE(pair.server, nullptr);
    pair.client->shrinkBuffers();

    // One-byte raw writes with the interrupt event set: each is encrypted, then sent whole
    // or refused whole once the buffers are full.
    ztSingleEvent interrupt;
    interrupt.set();
    pair.client->setInterruptEvent(&interrupt);
    std::string sent;
    ztErr result = ztErr_noError;
    for (int i = 0; i < 2'000'000 && result == ztErr_noError; ++i) {
        const char byte = static_cast<char>('a' + i % 26);
        result = pair.client->rawWrite(&byte, 1);
        if (result == ztErr_noError)
            sent.push_back(byte);
    }
    ASSERT_EQ(result, ztErr_cancelled);
    ASSERT_TRUE(pair.client->isOpen());
    pair.client->setInterruptEvent(nullptr);

    std::string received;
    {
        PeerThread writer([&] { EXPECT_EQ(pair.client->rawWrite("END", 3), ztErr_noError); });
        ASSERT_EQ(readAll(*pair.server, sent.size() + 3, received), ztErr_noError);
    }
    EXPECT_TRUE(received == sent + "END") << "the refused byte left no trace in the stream";
}
