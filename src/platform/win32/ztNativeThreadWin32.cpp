// NativeThread over _beginthreadex, the C runtime's wrapper of CreateThread that sets up the
// runtime's per-thread state; the handle it returns is a thread handle.
#include "platform/ztNativeThread.h"

#include "platform/win32/ztWin32Error.h"

#include <atomic>
#include <cerrno>
#include <memory>
#include <process.h>
#include <utility>
#include <windows.h>

namespace zt::platform {
namespace {

struct Launch {
    NativeThread::Procedure procedure;
    void* argument;
};

unsigned __stdcall launchThread(void* inLaunch) {
    const std::unique_ptr<Launch> launch(static_cast<Launch*>(inLaunch));
    launch->procedure(launch->argument);
    return 0;
}

std::atomic<size_t> gStackSize{0};

// The system rounds a smaller reservation up to its allocation granularity of 64 KiB;
// the interface rejects it instead, as Linux does below its minimum.
constexpr size_t kMinimumStack = 64 * 1024;

HANDLE toHandle(uint64_t inHandle) {
    return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(inHandle));
}

} // namespace

int NativeThread::start(Procedure inProcedure, void* ioArgument, NativeThread& outThread) {
    const size_t stackSize = gStackSize.load();
    if (stackSize != 0 && stackSize < kMinimumStack)
        return EINVAL;
    auto launch = std::make_unique<Launch>(Launch{inProcedure, ioArgument});
    // A reservation, not a commitment: a server with thousands of threads commits only
    // the pages each one touches.
    const uintptr_t handle =
        ::_beginthreadex(nullptr, static_cast<unsigned>(stackSize), launchThread, launch.get(),
                         stackSize != 0 ? STACK_SIZE_PARAM_IS_A_RESERVATION : 0, nullptr);
    if (handle == 0)
        return errno == 0 ? EAGAIN : errno;
    launch.release(); // the new thread owns it now
    outThread = NativeThread();
    outThread.itsHandle = static_cast<uint64_t>(handle);
    outThread.itsJoinable = true;
    return 0;
}

void NativeThread::setStackSize(size_t inBytes) {
    gStackSize.store(inBytes);
}

size_t NativeThread::getStackSize() {
    return gStackSize.load();
}

bool NativeThread::isCurrent() const {
    return itsJoinable && ::GetThreadId(toHandle(itsHandle)) == ::GetCurrentThreadId();
}

int NativeThread::join() {
    if (isCurrent())
        return EDEADLK;
    if (::WaitForSingleObject(toHandle(itsHandle), INFINITE) == WAIT_FAILED)
        return win32::lastErrno();
    ::CloseHandle(toHandle(itsHandle));
    itsJoinable = false;
    return 0;
}

int NativeThread::detach() {
    // Closing the handle lets the thread run on; the system frees it when it ends.
    const int error = ::CloseHandle(toHandle(itsHandle)) ? 0 : win32::lastErrno();
    itsJoinable = false;
    return error;
}

} // namespace zt::platform
