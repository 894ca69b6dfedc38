// ztMultiEvent: every operation delegates to the members in their order.
#include "threads/ztMultiEvent.h"

#include "messages/ztAssert.h"

#include <algorithm>

ztMultiEvent::ztMultiEvent(ztEvent* inEvent1, ztEvent* inEvent2, ztEvent* inEvent3,
                           ztEvent* inEvent4) {
    for (ztEvent* event : {inEvent1, inEvent2, inEvent3, inEvent4})
        addEvent(event);
}

ztMultiEvent::~ztMultiEvent() = default;

void ztMultiEvent::addEvent(ztEvent* inEvent) {
    if (inEvent == nullptr)
        return;
    ztAssert(!containsEvent(inEvent));
    // A member listed twice would count its signals twice.
    if (containsEvent(inEvent))
        return;
    itsEvents.push_back(inEvent);
}

bool ztMultiEvent::containsEvent(const ztEvent* inEvent) const {
    return std::find(itsEvents.begin(), itsEvents.end(), inEvent) != itsEvents.end();
}

bool ztMultiEvent::isSet() const {
    return std::any_of(itsEvents.begin(), itsEvents.end(),
                       [](const ztEvent* inEvent) { return inEvent->isSet(); });
}

ztEvent* ztMultiEvent::getSetEvent() {
    for (ztEvent* event : itsEvents) {
        if (event->getSetEvent() != nullptr)
            return event;
    }
    return nullptr;
}

void ztMultiEvent::set() {
    for (ztEvent* event : itsEvents)
        event->set();
}

void ztMultiEvent::reset() {
    for (ztEvent* event : itsEvents)
        event->reset();
}

void ztMultiEvent::pulse() {
    for (ztEvent* event : itsEvents)
        event->pulse();
}

uint32_t ztMultiEvent::getEventCount() const {
    uint32_t count = 0;
    for (const ztEvent* event : itsEvents)
        count += event->getEventCount();
    return count;
}

uint32_t ztMultiEvent::getSignalCount() const {
    uint32_t count = 0;
    for (const ztEvent* event : itsEvents)
        count += event->getSignalCount();
    return count;
}

void ztMultiEvent::addHandles(std::vector<int>& ioHandles) const {
    for (const ztEvent* event : itsEvents)
        event->addHandles(ioHandles);
}

void ztMultiEvent::addWaiter(ztEventWaiter* inWaiter) {
    for (ztEvent* event : itsEvents)
        event->addWaiter(inWaiter);
}

void ztMultiEvent::removeWaiter(ztEventWaiter* inWaiter) {
    for (ztEvent* event : itsEvents)
        event->removeWaiter(inWaiter);
}

void ztMultiEvent::setWindowTarget(zt::platform::WindowId inWindow, uint32_t inMessage,
                                   int64_t inLParam) {
    for (ztEvent* event : itsEvents)
        event->setWindowTarget(inWindow, inMessage, inLParam);
}

void ztMultiEvent::setThreadTarget(zt::platform::ThreadId inThread, uint32_t inMessage,
                                   int64_t inLParam) {
    for (ztEvent* event : itsEvents)
        event->setThreadTarget(inThread, inMessage, inLParam);
}

void ztMultiEvent::attachThread(ztThread* inThread) {
    for (ztEvent* event : itsEvents)
        event->attachThread(inThread);
}

void ztMultiEvent::detachThread(ztThread* inThread) {
    for (ztEvent* event : itsEvents)
        event->detachThread(inThread);
}
