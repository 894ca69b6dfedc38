#pragma once
// A set of events waited on as one: it reads as set when any member is set, and every
// operation that changes events applies to all members. The members are not owned.

#include "threads/ztEvent.h"

#include <vector>

class ztMultiEvent : public ztEvent {
public:
    // Takes up to four members in order; null ones are skipped.
    explicit ztMultiEvent(ztEvent* inEvent1 = nullptr, ztEvent* inEvent2 = nullptr,
                          ztEvent* inEvent3 = nullptr, ztEvent* inEvent4 = nullptr);
    ~ztMultiEvent() override;

    // Appends a member that must outlive this set. A null event is ignored; an event
    // that is a member already is reported (ztAssert) and not added again.
    void addEvent(ztEvent* inEvent);
    // Whether inEvent is a direct member.
    bool containsEvent(const ztEvent* inEvent) const;

    bool isSet() const override;
    // The first member that reports a set event (the member itself, not a member of it).
    ztEvent* getSetEvent() override;
    void set() override;
    void reset() override;
    void pulse() override;
    uint32_t getEventCount() const override;
    uint32_t getSignalCount() const override;
    void addHandles(std::vector<int>& ioHandles) const override;
    void addWaiter(ztEventWaiter* inWaiter) override;
    void removeWaiter(ztEventWaiter* inWaiter) override;
    void setWindowTarget(zt::platform::WindowId inWindow, uint32_t inMessage,
                         int64_t inLParam) override;
    void setThreadTarget(zt::platform::ThreadId inThread, uint32_t inMessage,
                         int64_t inLParam) override;
    void attachThread(ztThread* inThread) override;
    void detachThread(ztThread* inThread) override;

private:
    std::vector<ztEvent*> itsEvents;
};
