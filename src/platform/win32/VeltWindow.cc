// The front end's window on Windows: a message-only window of the thread
// that makes the VeltWindow, and PostMessageW to it. Get, on that thread,
// takes the messages for this window from its queue and leaves the thread's
// other messages alone; a message loop of the front end on the same thread
// (GetMessageW, DispatchMessageW) may take them as well, and sees them
// with their numbers: what it dispatches to this window is kept for Get.
//
// Post never blocks and loses nothing: a message the system queue refuses
// (it holds at most 10,000 per thread; numbers below WM_USER are the
// system's own) waits in a list of its own, and so does every later one
// until Get has emptied that list, so the order stays the order of posting.
#include "velt/platform/VeltWindow.h"

#include <windows.h>

#include <deque>
#include <mutex>

#include "platform/Clock.h"

namespace {

// The messages that wait outside the system queue, shared with the window
// procedure.
struct HeldMessages {
  std::mutex lock;
  // Taken from the system queue by another loop than Get's and dispatched
  // to the window: older than everything still in the system queue.
  std::deque<WindowMessage> dispatched;
  // Refused by the system queue: newer than everything in it.
  std::deque<WindowMessage> overflow;

  bool TakeFrom(std::deque<WindowMessage>& messages, WindowMessage& out) {
    std::lock_guard<std::mutex> guard(lock);
    if (messages.empty()) {
      return false;
    }
    out = messages.front();
    messages.pop_front();
    return true;
  }
};

}  // namespace

struct VeltWindow::Queue {
  HWND window = nullptr;
  HANDLE overflowed = nullptr;  // auto-reset; set when `held.overflow` gets a message
  HeldMessages held;

  // The oldest message, without waiting.
  bool Take(WindowMessage& out) {
    if (held.TakeFrom(held.dispatched, out)) {
      return true;
    }
    MSG message;
    while (window != nullptr && PeekMessageW(&message, window, 0, 0, PM_REMOVE)) {
      if (message.message >= WM_USER) {
        out = WindowMessage{message.message, message.wParam, message.lParam};
        return true;
      }
      DispatchMessageW(&message);  // the system's own, for DefWindowProcW
    }
    return held.TakeFrom(held.overflow, out);
  }
};

namespace {

constexpr wchar_t kClassName[] = L"VeltEngineWindow";

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const CREATESTRUCTW* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
  }
  auto* held = reinterpret_cast<HeldMessages*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message >= WM_USER && held != nullptr) {
    std::lock_guard<std::mutex> guard(held->lock);
    held->dispatched.push_back(WindowMessage{message, wParam, lParam});
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// The module this code is part of (VeltEngine.dll, or the program it is
// linked into), whose window class it registers once.
HINSTANCE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&WindowProcedure), &module);
  return module;
}

HINSTANCE RegisteredClass() {
  static const HINSTANCE module = [] {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = ThisModule();
    windowClass.lpszClassName = kClassName;
    RegisterClassExW(&windowClass);  // already there after a reload: as good
    return windowClass.hInstance;
  }();
  return module;
}

}  // namespace

VeltWindow::VeltWindow() : m_queue(new Queue()) {
  m_queue->overflowed = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  // Without a window (no window station, say) every message takes the
  // overflow list, which works the same, only not through the system.
  m_queue->window = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    RegisteredClass(), &m_queue->held);
}

VeltWindow::~VeltWindow() {
  if (m_queue->window != nullptr) {
    SetWindowLongPtrW(m_queue->window, GWLP_USERDATA, 0);
    DestroyWindow(m_queue->window);
  }
  if (m_queue->overflowed != nullptr) {
    CloseHandle(m_queue->overflowed);
  }
}

void VeltWindow::Post(unsigned message, uintptr_t wParam, intptr_t lParam) {
  {
    HeldMessages& held = m_queue->held;
    std::lock_guard<std::mutex> guard(held.lock);
    if (message >= WM_USER && held.overflow.empty() && m_queue->window != nullptr &&
        PostMessageW(m_queue->window, message, wParam, lParam)) {
      return;
    }
    held.overflow.push_back(WindowMessage{message, wParam, lParam});
  }
  SetEvent(m_queue->overflowed);
}

bool VeltWindow::Get(WindowMessage& out, int timeoutMs) {
  const int64_t deadline = velt::platform::WallClockMs() + (timeoutMs > 0 ? timeoutMs : 0);
  for (;;) {
    if (m_queue->Take(out)) {
      return true;
    }
    DWORD wait = INFINITE;
    if (timeoutMs >= 0) {
      const int64_t left = deadline - velt::platform::WallClockMs();
      if (left <= 0) {
        return false;
      }
      wait = static_cast<DWORD>(left);
    }
    // Wakes for a message posted since the queue was last looked at, or for
    // the overflow list.
    MsgWaitForMultipleObjects(1, &m_queue->overflowed, FALSE, wait, QS_POSTMESSAGE);
  }
}
