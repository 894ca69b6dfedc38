// The thread message queues: a process-wide map from thread id to queue, each queue a
// locked list plus an event that is set while the list is not empty.
#include "platform/ztMessageQueue.h"

#include "platform/ztEventFd.h"
#include "platform/ztNativeMutex.h"

#include <deque>
#include <map>
#include <memory>
#include <mutex>

namespace zt::platform {
namespace {

struct Queue {
    NativeMutex mutex;
    std::deque<PostedMessage> messages;
    EventFd notEmpty;
};

struct Registry {
    NativeMutex mutex;
    std::map<ThreadId, std::shared_ptr<Queue>> queues;
    std::map<WindowId, ThreadId> windows;
    WindowId lastWindow = 0;
};

Registry& registry() {
    // Never destroyed: threads may post or end while static objects are torn down at exit.
    static Registry* theRegistry = new Registry;
    return *theRegistry;
}

// Removes the calling thread's queue and windows from the registry when the thread ends,
// so that a later thread that gets the same kernel id does not receive them.
struct OwnQueue {
    std::shared_ptr<Queue> queue;
    ThreadId thread = 0;

    ~OwnQueue() {
        if (!queue)
            return;
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        r.queues.erase(thread);
        std::erase_if(r.windows, [this](const auto& inEntry) { return inEntry.second == thread; });
    }
};

thread_local OwnQueue tOwnQueue;

Queue* ownQueue() {
    if (tOwnQueue.queue)
        return tOwnQueue.queue.get();
    auto queue = std::make_shared<Queue>();
    if (EventFd::create(queue->notEmpty) != 0)
        return nullptr;
    const ThreadId self = currentThreadId();
    Registry& r = registry();
    {
        std::lock_guard lock(r.mutex);
        r.queues[self] = queue;
    }
    tOwnQueue.thread = self;
    tOwnQueue.queue = std::move(queue);
    return tOwnQueue.queue.get();
}

std::shared_ptr<Queue> queueOf(ThreadId inThread) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    const auto found = r.queues.find(inThread);
    return found == r.queues.end() ? nullptr : found->second;
}

bool post(ThreadId inThread, const PostedMessage& inMessage) {
    const std::shared_ptr<Queue> queue = queueOf(inThread);
    if (!queue)
        return false;
    std::lock_guard lock(queue->mutex);
    queue->messages.push_back(inMessage);
    return queue->notEmpty.set() == 0;
}

} // namespace

bool postThreadMessage(ThreadId inThread, uint32_t inMessage, uintptr_t inWParam,
                       int64_t inLParam) {
    return post(inThread, PostedMessage{0, inMessage, inWParam, inLParam});
}

bool postWindowMessage(WindowId inWindow, uint32_t inMessage, uintptr_t inWParam,
                       int64_t inLParam) {
    ThreadId owner = 0;
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        const auto found = r.windows.find(inWindow);
        if (found == r.windows.end())
            return false;
        owner = found->second;
    }
    return post(owner, PostedMessage{inWindow, inMessage, inWParam, inLParam});
}

bool peekMessage(PostedMessage& outMessage) {
    Queue* queue = ownQueue();
    if (queue == nullptr)
        return false;
    std::lock_guard lock(queue->mutex);
    if (queue->messages.empty())
        return false;
    outMessage = queue->messages.front();
    queue->messages.pop_front();
    if (queue->messages.empty())
        queue->notEmpty.reset();
    return true;
}

int messageQueueFd() {
    const Queue* queue = ownQueue();
    return queue == nullptr ? -1 : queue->notEmpty.fd();
}

WindowId openMessageWindow() {
    if (ownQueue() == nullptr)
        return 0;
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    const WindowId window = ++r.lastWindow;
    r.windows[window] = currentThreadId();
    return window;
}

void closeMessageWindow(WindowId inWindow) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.windows.erase(inWindow);
}

} // namespace zt::platform
