#include "velt/platform/VeltWindow.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

struct VeltWindow::Queue {
  std::mutex lock;
  std::condition_variable posted;
  std::deque<WindowMessage> messages;
};

VeltWindow::VeltWindow() : m_queue(new Queue()) {}
VeltWindow::~VeltWindow() = default;

void VeltWindow::Post(unsigned message, uintptr_t wParam, intptr_t lParam) {
  {
    std::lock_guard<std::mutex> guard(m_queue->lock);
    m_queue->messages.push_back(WindowMessage{message, wParam, lParam});
  }
  m_queue->posted.notify_one();
}

bool VeltWindow::Get(WindowMessage& out, int timeoutMs) {
  std::unique_lock<std::mutex> guard(m_queue->lock);
  auto ready = [this] { return !m_queue->messages.empty(); };
  if (timeoutMs < 0) {
    m_queue->posted.wait(guard, ready);
  } else if (!m_queue->posted.wait_for(guard, std::chrono::milliseconds(timeoutMs), ready)) {
    return false;
  }
  out = m_queue->messages.front();
  m_queue->messages.pop_front();
  return true;
}
