// Sessions: connection hand-over, idle time and the enciphered password.
#include "ztxmlint/xmlSession.h"

#include "cryptor/ztCryptor.h"
#include "netobjects/ztNetObjectHandler.h"
#include "platform/ztTickCount.h"

#include <mutex>

xmlSession::xmlSession(std::shared_ptr<ztNetObjectHandler> inConnection, std::string inServer,
                       int32_t inPort, std::string inLoginName, const std::string& inPassword,
                       int32_t inAuthentication, bool inSingleSignon,
                       bool inReplaceControlCharacters)
    : itsConnection(std::move(inConnection)), itsServer(std::move(inServer)), itsPort(inPort),
      itsLoginName(std::move(inLoginName)), itsLowerLoginName(lowerCaseOf(itsLoginName)),
      itsAuthentication(inAuthentication), itsSingleSignon(inSingleSignon),
      itsReplaceControlCharacters(inReplaceControlCharacters),
      itsIdleStamp(zt::platform::tickCount()), itsCreated(ztDateTime::kNow) {
    itsEncryptedPassword = ztCryptor(passPhrase()).encrypt(inPassword);
}

xmlSession::~xmlSession() = default;

std::string xmlSession::lowerCaseOf(std::string inText) {
    for (char& c : inText) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return inText;
}

std::shared_ptr<ztNetObjectHandler> xmlSession::getConnection() const {
    std::lock_guard lock(itsConnectionMutex);
    return itsConnection;
}

void xmlSession::replaceConnection(std::shared_ptr<ztNetObjectHandler> inConnection) {
    std::shared_ptr<ztNetObjectHandler> old;
    {
        std::lock_guard lock(itsConnectionMutex);
        old = std::exchange(itsConnection, std::move(inConnection));
    }
    // The old connection stops here, outside the lock, unless a request still uses it.
}

void xmlSession::touch() {
    itsIdleStamp.store(zt::platform::tickCount());
}

uint32_t xmlSession::idleMillis() const {
    // The stamp is read before the clock: another thread may touch the session at any
    // moment, and a stamp newer than the clock reading would make the difference wrap to
    // weeks and expire a session in use.
    const uint32_t stamp = itsIdleStamp.load();
    return zt::platform::tickCount() - stamp;
}

std::string xmlSession::passPhrase() const {
    return itsLoginName + itsCreated.format(ztDate::kStyleIso);
}

std::string xmlSession::decipherPassword() const {
    return ztCryptor(passPhrase()).decrypt(itsEncryptedPassword);
}
