// MessageWindow: opens and closes a window in the thread message queues.
#include "platform/ztMessageWindow.h"

#include <utility>

namespace zt::platform {

MessageWindow::MessageWindow() : itsId(openMessageWindow()) {}

MessageWindow::MessageWindow(MessageWindow&& ioOther) noexcept
    : itsId(std::exchange(ioOther.itsId, 0)) {}

MessageWindow& MessageWindow::operator=(MessageWindow&& ioOther) noexcept {
    if (this != &ioOther) {
        if (itsId != 0)
            closeMessageWindow(itsId);
        itsId = std::exchange(ioOther.itsId, 0);
    }
    return *this;
}

MessageWindow::~MessageWindow() {
    if (itsId != 0)
        closeMessageWindow(itsId);
}

} // namespace zt::platform
