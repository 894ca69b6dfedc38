// WSAStartup for version 2.0; Windows Sockets counts the starts itself.
#include "platform/ztSocketStart.h"

#include <winsock2.h>

namespace zt::platform {

int startSockets() {
    WSADATA data{};
    return ::WSAStartup(MAKEWORD(2, 0), &data);
}

} // namespace zt::platform
