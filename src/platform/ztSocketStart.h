#pragma once
// The counted start of the system's socket layer, which some systems need before any socket
// call. Each successful start is one reference; the library never undoes it.

namespace zt::platform {

// Starts the socket layer, asking for version 2.0. Returns 0 or the system's error code;
// where nothing has to be started it returns 0 at once. Any thread; starts are counted by
// the system, so calling it more than once is harmless.
int startSockets();

} // namespace zt::platform
