// NativeThread over pthread_create, pthread_join and pthread_detach.
#include "platform/ztNativeThread.h"

#include <atomic>
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

std::atomic<size_t> gStackSize{0};

// pthread_create with the stack size set by setStackSize, or the default attributes.
int createThread(pthread_t& outHandle, Launch* inLaunch) {
    const size_t stackSize = gStackSize.load();
    if (stackSize == 0)
        return ::pthread_create(&outHandle, nullptr, launchThread, inLaunch);
    pthread_attr_t attributes;
    int error = ::pthread_attr_init(&attributes);
    if (error != 0)
        return error;
    error = ::pthread_attr_setstacksize(&attributes, stackSize);
    if (error == 0)
        error = ::pthread_create(&outHandle, &attributes, launchThread, inLaunch);
    ::pthread_attr_destroy(&attributes);
    return error;
}

pthread_t toPthread(uint64_t inHandle) {
    return static_cast<pthread_t>(inHandle);
}

} // namespace

int NativeThread::start(Procedure inProcedure, void* ioArgument, NativeThread& outThread) {
    auto launch = std::make_unique<Launch>(Launch{inProcedure, ioArgument});
    pthread_t handle{};
    const int error = createThread(handle, launch.get());
    if (error != 0)
        return error;
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
