#pragma once
// The end of a thread's use of COM, for threads whose code began it: on Windows a thread
// that initialised COM must undo that before it ends.

namespace zt::platform {

// CoUninitialize for the calling thread (nothing where there is no COM). Call it once for
// each successful initialisation, on the thread that made it.
void uninitializeCom();

} // namespace zt::platform
