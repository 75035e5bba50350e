// Named events on Windows: kernel events (CreateEventW, OpenEventW) in the
// session's namespace, so that a front end that creates "ExitVeltEvent"
// with the Windows API itself is found by name too. The process-wide table
// (common/EventTable.h) keeps one object per name with its references, as
// the header promises, whether the name came from Create or from Open.
#include "velt/platform/VeltEvent.h"

#include <windows.h>

#include "platform/common/EventTable.h"
#include "platform/win32/EventHandle.h"

struct VeltEvent::State {
  bool manualReset = true;
  HANDLE handle = nullptr;
};

namespace {

// Whether the event behind `handle` resets itself, as the kernel reports
// it (an event another module created says nothing else of its kind). An
// answer that cannot be had counts as auto-reset: such an event is then
// only looked at, never watched, which is always safe.
bool IsManualReset(HANDLE handle) {
  // NtQueryEvent's EventBasicInformation: the type (0: notification, that
  // is manual-reset; 1: synchronisation, auto-reset) and the state.
  struct BasicInformation {
    int type;
    LONG state;
  };
  using QueryEvent = LONG(NTAPI*)(HANDLE, int, void*, ULONG, ULONG*);
  static const QueryEvent query = [] {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    FARPROC found = ntdll != nullptr ? GetProcAddress(ntdll, "NtQueryEvent") : nullptr;
    return reinterpret_cast<QueryEvent>(reinterpret_cast<void (*)()>(found));
  }();
  BasicInformation information = {1, 0};
  return query != nullptr && query(handle, 0, &information, sizeof(information), nullptr) >= 0 &&
         information.type == 0;
}

}  // namespace

VeltEvent::VeltEvent(const std::wstring& name, bool manualReset, bool initialState)
    : m_state(new State()) {
  m_state->manualReset = manualReset;
  // An existing event of that name is opened with its state unchanged. A
  // name that Windows refuses (another kind of object holds it, or one this
  // account may not use) still gives a working event, unnamed to the
  // system and known by name in this process only.
  if (!name.empty()) {
    m_state->handle = CreateEventW(nullptr, manualReset, initialState, name.c_str());
  }
  if (m_state->handle == nullptr) {
    m_state->handle = CreateEventW(nullptr, manualReset, initialState, nullptr);
  }
}

VeltEvent::~VeltEvent() {
  if (m_state->handle != nullptr) {
    CloseHandle(m_state->handle);
  }
}

VeltEvent* VeltEvent::Create(const std::wstring& name, bool manualReset, bool initialState) {
  return velt::platform::TakeEvent(
      name, [&] { return new VeltEvent(name, manualReset, initialState); });
}

VeltEvent* VeltEvent::Open(const std::wstring& name) {
  return velt::platform::TakeEvent(name, [&name]() -> VeltEvent* {
    if (name.empty()) {
      return nullptr;
    }
    // Made by another module or process: held open while this process's
    // object for it is made, so that it cannot vanish in between.
    HANDLE existing = OpenEventW(EVENT_ALL_ACCESS, FALSE, name.c_str());
    if (existing == nullptr) {
      return nullptr;
    }
    VeltEvent* event = new VeltEvent(name, IsManualReset(existing), false);
    CloseHandle(existing);
    return event;
  });
}

void VeltEvent::Close(VeltEvent* event) {
  if (event != nullptr && velt::platform::ReleaseEvent(event)) {
    delete event;
  }
}

void VeltEvent::Set() { SetEvent(m_state->handle); }

void VeltEvent::Reset() { ResetEvent(m_state->handle); }

bool VeltEvent::Wait(int timeoutMs) {
  const DWORD timeout = timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs);
  return m_state->handle != nullptr &&
         WaitForSingleObject(m_state->handle, timeout) == WAIT_OBJECT_0;
}

bool VeltEvent::IsWatchable() const { return VeltEventAccess::Handle(*this) != nullptr; }

void* VeltEventAccess::Handle(const VeltEvent& event) {
  return event.m_state->manualReset ? event.m_state->handle : nullptr;
}
