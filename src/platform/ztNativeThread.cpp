// NativeThread over pthread_create, pthread_join and pthread_detach.
#include "platform/ztNativeThread.h"

#include <memory>
#include <pthread.h>
#include <utility>

namespace zt::platform {
namespace {

static_assert(sizeof(pthread_t) <= sizeof(uint64_t), "pthread_t does not fit the handle");

struct Launch {
    NativeThread::Procedure procedure;
    void* argument;
};

extern "C" void* launchThread(void* inLaunch) {
    const std::unique_ptr<Launch> launch(static_cast<Launch*>(inLaunch));
    launch->procedure(launch->argument);
    return nullptr;
}

pthread_t toPthread(uint64_t inHandle) {
    return static_cast<pthread_t>(inHandle);
}

} // namespace

NativeThread::NativeThread(NativeThread&& ioOther) noexcept
    : itsHandle(std::exchange(ioOther.itsHandle, 0)),
      itsJoinable(std::exchange(ioOther.itsJoinable, false)) {}

NativeThread& NativeThread::operator=(NativeThread&& ioOther) noexcept {
    if (this != &ioOther) {
        if (itsJoinable)
            detach();
        itsHandle = std::exchange(ioOther.itsHandle, 0);
        itsJoinable = std::exchange(ioOther.itsJoinable, false);
    }
    return *this;
}

NativeThread::~NativeThread() {
    if (itsJoinable)
        detach();
}

int NativeThread::start(Procedure inProcedure, void* ioArgument, NativeThread& outThread) {
    auto launch = std::make_unique<Launch>(Launch{inProcedure, ioArgument});
    pthread_t handle{};
    const int error = ::pthread_create(&handle, nullptr, launchThread, launch.get());
    if (error != 0)
        return error;
    launch.release(); // the new thread owns it now
    outThread = NativeThread();
    outThread.itsHandle = static_cast<uint64_t>(handle);
    outThread.itsJoinable = true;
    return 0;
}

bool NativeThread::isCurrent() const {
    return itsJoinable && ::pthread_equal(toPthread(itsHandle), ::pthread_self()) != 0;
}

int NativeThread::join() {
    const int error = ::pthread_join(toPthread(itsHandle), nullptr);
    if (error == 0)
        itsJoinable = false;
    return error;
}

int NativeThread::detach() {
    const int error = ::pthread_detach(toPthread(itsHandle));
    itsJoinable = false;
    return error;
}

} // namespace zt::platform
