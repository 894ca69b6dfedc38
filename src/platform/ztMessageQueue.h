#pragma once
// Per-thread queues of posted messages: the stand-in for the message queue that the
// original platform gives every thread that asks for one. Events post their notification
// messages here and waits that pump messages watch the queue beside their events.
//
// A thread has a queue from its first peekMessage() or messageQueueFd() call until it
// ends; posting to a thread without a queue fails, as it does on the original platform.

#include "platform/ztThreadId.h"

#include <cstdint>

namespace zt::platform {

// Names a message window (see MessageWindow); 0 names none.
using WindowId = uint64_t;

struct PostedMessage {
    WindowId window = 0; // 0 for a message posted to the thread itself
    uint32_t message = 0;
    uintptr_t wParam = 0;
    int64_t lParam = 0;
};

// Appends a message to the queue of thread inThread. Returns false when that thread has
// no queue (it never asked for one, or it has ended). Any thread may call it.
bool postThreadMessage(ThreadId inThread, uint32_t inMessage, uintptr_t inWParam, int64_t inLParam);

// Appends a message for window inWindow to the queue of the thread that opened the
// window. Returns false when the window is closed or unknown. Any thread may call it.
bool postWindowMessage(WindowId inWindow, uint32_t inMessage, uintptr_t inWParam, int64_t inLParam);

// Removes the oldest message from the calling thread's queue into outMessage. Returns
// false when the queue is empty (or could not be created).
bool peekMessage(PostedMessage& outMessage);

// A descriptor that is readable while the calling thread's queue holds messages, for
// pollFds. The queue owns it; it stays valid until the thread ends. -1 when the queue
// could not be created (no descriptors left).
int messageQueueFd();

// Opens a window whose messages go to the calling thread's queue; 0 when the queue
// could not be created. Prefer the owner MessageWindow.
WindowId openMessageWindow();

// Closes a window: later posts to it fail. Messages already queued stay.
void closeMessageWindow(WindowId inWindow);

} // namespace zt::platform
