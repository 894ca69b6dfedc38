// The deadlock detector: a process-wide map of which thread is blocked on which ztMemMutex,
// followed from a requested mutex through owners and the mutexes they wait for.
#include "threads/ztMemMutex.h"

#include "messages/ztAssert.h"
#include "messages/ztException.h"
#include "messages/ztInfoLog.h"
#include "threads/ztStMutex.h"
#include "threads/ztThread.h"

#include <algorithm>
#include <map>
#include <utility>
#include <vector>

namespace {

using zt::platform::ThreadId;

struct Detector {
    // Plain recursive mutex without the check: held only while the map is read or changed,
    // never while a thread blocks on the mutex it wants.
    ztSimpleMemMutex guard{"ztMemMutex"};
    std::map<ThreadId, const ztMemMutex*> waitingFor; // at most one entry per thread
};

Detector& detector() {
    // Never destroyed: threads may still lock mutexes while static objects are torn down.
    static Detector* theDetector = new Detector;
    return *theDetector;
}

// One step of a chain: a mutex (copied while the chain held) and the thread that owns it.
struct Link {
    const ztMemMutex* mutex;
    std::string mutexName;
    ThreadId owner;
};

// Follows inMutex to its owner, to the mutex that owner waits for, and so on, until a
// thread repeats (a deadlock: returns true with the chain in outChain) or the chain ends
// at a free mutex or a thread that is not waiting. Runs under the detector's guard.
bool findCycle(const ztMemMutex* inMutex, ThreadId inThread, const Detector& inDetector,
               std::vector<Link>& outChain) {
    outChain.clear();
    std::vector<ThreadId> seen{inThread};
    for (const ztMemMutex* m = inMutex; m != nullptr;) {
        // Read once: an owner outside the chain may free the mutex while we look.
        const ThreadId owner = m->getLockingThreadID();
        if (owner == 0)
            return false;
        outChain.push_back({m, m->getName(), owner});
        if (std::find(seen.begin(), seen.end(), owner) != seen.end())
            return true;
        seen.push_back(owner);
        const auto next = inDetector.waitingFor.find(owner);
        m = next == inDetector.waitingFor.end() ? nullptr : next->second;
    }
    return false;
}

std::string describeThread(ThreadId inThread) {
    const std::string name = ztThread::threadNameById(inThread);
    if (name.empty())
        return std::to_string(inThread);
    return name + "(" + std::to_string(inThread) + ")";
}

std::string describeMutex(const Link& inLink) {
    const auto number = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(inLink.mutex));
    if (inLink.mutexName.empty())
        return std::to_string(number);
    return inLink.mutexName + "(" + std::to_string(number) + ")";
}

// Thread names come from the thread registry, whose own ztMemMutex must not be locked
// under the detector's guard (a thread that holds the registry mutex takes the guard to
// finish its own lock), so the text is built from the copied chain after the guard is let go.
[[noreturn]] void reportDeadlock(ThreadId inThread, const std::vector<Link>& inChain) {
    std::string text = "Detected deadlock. " + describeThread(inThread);
    for (const Link& link : inChain) {
        text += "->[";
        text += describeMutex(link);
        text += "]-";
        text += describeThread(link.owner);
    }
    ztLog(0, "%s", text.c_str());
    ztAssert(false);
    throw ztException(ztErr_internal, text.c_str());
}

void forgetWait(ThreadId inThread) {
    Detector& d = detector();
    ztStMutex guard(&d.guard);
    d.waitingFor.erase(inThread);
}

} // namespace

ztMemMutex::ztMemMutex(std::string inName) : ztSimpleMemMutex(std::move(inName)) {}

ztMemMutex::~ztMemMutex() = default;

const ztMemMutex* ztMemMutex::waitedOnBy(ThreadId inThread) {
    Detector& d = detector();
    ztStMutex guard(&d.guard);
    const auto found = d.waitingFor.find(inThread);
    return found == d.waitingFor.end() ? nullptr : found->second;
}

bool ztMemMutex::acquire(ThreadId inThread) {
    Detector& d = detector();
    bool added = false;
    std::vector<Link> chain;
    bool deadlock = false;
    {
        ztStMutex guard(&d.guard);
        added = d.waitingFor.emplace(inThread, this).second;
        deadlock = isLocked() && findCycle(this, inThread, d, chain);
        if (deadlock && added)
            d.waitingFor.erase(inThread);
    }
    if (deadlock)
        reportDeadlock(inThread, chain);

    try {
        ztSimpleMemMutex::acquire(inThread);
    } catch (...) {
        if (added)
            forgetWait(inThread);
        throw;
    }
    if (added)
        forgetWait(inThread);
    return true;
}
