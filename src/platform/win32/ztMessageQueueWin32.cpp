// The threads' own message queues: posting goes through PostThreadMessage and
// PostMessage, and message windows are message-only windows of one private class.
#include "platform/ztMessageQueue.h"

#include "platform/win32/ztWin32Poll.h"

#include <windows.h>

namespace zt::platform {
namespace {

constexpr const char* kWindowClass = "ztMessageWindow";

// The module that holds this code: the DLL when the library is loaded, else the program.
HINSTANCE ownModule() {
    HMODULE module = nullptr;
    ::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                             GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCSTR>(&ownModule), &module);
    return module;
}

// Registers the window class once per process; its messages are never dispatched, so the
// default procedure is all it needs.
bool registerWindowClass() {
    static const bool registered = [] {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = ::DefWindowProcA;
        windowClass.hInstance = ownModule();
        windowClass.lpszClassName = kWindowClass;
        return ::RegisterClassExA(&windowClass) != 0 ||
               ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

// The system gives a thread its queue on the first call that looks at it.
void ensureQueue() {
    MSG message;
    ::PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
}

} // namespace

bool postThreadMessage(ThreadId inThread, uint32_t inMessage, uintptr_t inWParam,
                       int64_t inLParam) {
    return ::PostThreadMessageA(inThread, inMessage, inWParam, static_cast<LPARAM>(inLParam)) != 0;
}

bool postWindowMessage(WindowId inWindow, uint32_t inMessage, uintptr_t inWParam,
                       int64_t inLParam) {
    if (inWindow == 0)
        return false;
    return ::PostMessageA(reinterpret_cast<HWND>(inWindow), inMessage, inWParam,
                          static_cast<LPARAM>(inLParam)) != 0;
}

bool peekMessage(PostedMessage& outMessage) {
    MSG message;
    if (!::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        return false;
    outMessage.window = reinterpret_cast<WindowId>(message.hwnd);
    outMessage.message = message.message;
    outMessage.wParam = message.wParam;
    outMessage.lParam = static_cast<int64_t>(message.lParam);
    return true;
}

int messageQueueFd() {
    ensureQueue();
    return win32::kMessageQueueFd;
}

WindowId openMessageWindow() {
    if (!registerWindowClass())
        return 0;
    const HWND window = ::CreateWindowExA(0, kWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                          ownModule(), nullptr);
    return reinterpret_cast<WindowId>(window);
}

void closeMessageWindow(WindowId inWindow) {
    // Only the opening thread can destroy a window (MessageWindow closes it there); a
    // window left open by another thread goes when its own thread ends.
    ::DestroyWindow(reinterpret_cast<HWND>(inWindow));
}

} // namespace zt::platform
