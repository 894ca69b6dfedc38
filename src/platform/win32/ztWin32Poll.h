#pragma once
// How the Windows pollFds tells its entries apart. Events and sockets are both kernel
// handles, whose values are multiples of four and unique in the process, so an entry's fd
// is the handle's value; the calling thread's message queue has no handle and is named by
// a value that no handle can have.

namespace zt::platform::win32 {

inline constexpr int kMessageQueueFd = 1;

} // namespace zt::platform::win32
