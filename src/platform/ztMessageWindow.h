#pragma once
// Owner of a message window: a name under which other threads post messages that land in
// the queue of the thread that opened it (see ztMessageQueue.h).

#include "platform/ztMessageQueue.h"

namespace zt::platform {

class MessageWindow {
public:
    // Opens a window for the calling thread; id() is 0 when that failed.
    MessageWindow();
    MessageWindow(MessageWindow&& ioOther) noexcept;
    MessageWindow& operator=(MessageWindow&& ioOther) noexcept;
    MessageWindow(const MessageWindow&) = delete;
    MessageWindow& operator=(const MessageWindow&) = delete;
    ~MessageWindow();

    WindowId id() const { return itsId; }

private:
    WindowId itsId = 0;
};

} // namespace zt::platform
