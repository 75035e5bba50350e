// Named events shared by the threads of one process. The front end creates
// an event under a name; the engine opens it by that name.
#pragma once

#include <memory>
#include <string>

#include "velt/VeltExport.h"

class VELT_API VeltEvent {
 public:
  // A new event, or the existing one of that name (its state unchanged).
  // The caller owns one reference and releases it with Close.
  static VeltEvent* Create(const std::wstring& name, bool manualReset, bool initialState);
  // The existing event of that name with one more reference, or null.
  static VeltEvent* Open(const std::wstring& name);
  // Releases one reference; the name is forgotten with the last one.
  static void Close(VeltEvent* event);

  void Set();
  void Reset();
  // True when the event is (or becomes) signalled within `timeoutMs`
  // (0: test without waiting; negative: forever). An auto-reset event is
  // reset by the wait that sees it.
  bool Wait(int timeoutMs);
  // Whether the engine's waits for a child process can watch this event
  // beside the child and its output, waking when it is set: true for a
  // manual-reset event. The system object they watch stays inside the
  // platform layer.
  bool IsWatchable() const;

  ~VeltEvent();
  VeltEvent(const VeltEvent&) = delete;
  VeltEvent& operator=(const VeltEvent&) = delete;

 private:
  VeltEvent(const std::wstring& name, bool manualReset, bool initialState);
  friend struct VeltEventAccess;  // the platform layer's waits
  struct State;
  std::unique_ptr<State> m_state;
};

using EventHandle = VeltEvent*;
