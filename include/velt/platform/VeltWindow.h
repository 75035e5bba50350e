// The front end's window as the engine sees it: a queue of posted messages.
// The front end creates one, hands it to VeltThread::SetMainThreadHandle and
// reads the messages on its own thread.
#pragma once

#include <cstdint>
#include <memory>

#include "velt/VeltExport.h"

struct WindowMessage {
  unsigned message;
  uintptr_t wParam;
  intptr_t lParam;
};

class VELT_API VeltWindow {
 public:
  VeltWindow();
  ~VeltWindow();
  VeltWindow(const VeltWindow&) = delete;
  VeltWindow& operator=(const VeltWindow&) = delete;

  // Appends a message and wakes a waiting reader. Never blocks.
  void Post(unsigned message, uintptr_t wParam, intptr_t lParam);
  // Takes the oldest message; waits up to `timeoutMs` (negative: forever).
  // False when none arrived in time.
  bool Get(WindowMessage& out, int timeoutMs);

 private:
  struct Queue;
  std::unique_ptr<Queue> m_queue;
};

using WindowHandle = VeltWindow*;
