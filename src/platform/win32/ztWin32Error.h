#pragma once
// Error numbers of the Windows implementation: the platform interfaces speak errno values,
// so each wrapper turns the system's error codes into the nearest errno here. Socket calls
// are the exception: they hand back the Windows Sockets code itself (10000 and above), which
// is what the endpoints log and what errorText() explains.

namespace zt::platform::win32 {

// The errno value for a GetLastError() code (ENOMEM, EACCES, ENOENT, EINVAL, ...).
int errnoOf(unsigned long inWindowsError);

// errnoOf(GetLastError()).
int lastErrno();

// The system's message for a Windows error code, without the trailing line break.
const char* describeInto(unsigned long inWindowsError, char* outBuffer, unsigned inSize);

} // namespace zt::platform::win32
