// Named events: the process-wide table of names (common/EventTable.h) over
// events that each pair a condition variable (for Wait) with an eventfd
// that is readable exactly while a manual-reset event is signalled (for
// poll-based waits).
#include "velt/platform/VeltEvent.h"

#include "platform/common/EventTable.h"
#include "platform/posix/EventDescriptor.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

struct VeltEvent::State {
  bool manualReset = true;
  bool signalled = false;
  int fd = -1;
  std::mutex lock;
  std::condition_variable changed;
};

namespace {

void DrainDescriptor(int fd) {
  uint64_t value = 0;
  while (fd >= 0 && read(fd, &value, sizeof(value)) == sizeof(value)) {
  }
}

}  // namespace

// The name is the table's alone: an eventfd has none.
VeltEvent::VeltEvent(const std::wstring&, bool manualReset, bool initialState)
    : m_state(new State()) {
  m_state->manualReset = manualReset;
  m_state->fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (initialState) {
    Set();
  }
}

VeltEvent::~VeltEvent() {
  if (m_state->fd >= 0) {
    close(m_state->fd);
  }
}

VeltEvent* VeltEvent::Create(const std::wstring& name, bool manualReset, bool initialState) {
  return velt::platform::TakeEvent(
      name, [&] { return new VeltEvent(name, manualReset, initialState); });
}

VeltEvent* VeltEvent::Open(const std::wstring& name) {
  return velt::platform::TakeEvent(name, [] { return nullptr; });
}

void VeltEvent::Close(VeltEvent* event) {
  if (event != nullptr && velt::platform::ReleaseEvent(event)) {
    delete event;
  }
}

void VeltEvent::Set() {
  {
    std::lock_guard<std::mutex> guard(m_state->lock);
    if (!m_state->signalled && m_state->fd >= 0) {
      uint64_t one = 1;
      ssize_t ignored = write(m_state->fd, &one, sizeof(one));
      (void)ignored;
    }
    m_state->signalled = true;
  }
  m_state->changed.notify_all();
}

void VeltEvent::Reset() {
  std::lock_guard<std::mutex> guard(m_state->lock);
  m_state->signalled = false;
  DrainDescriptor(m_state->fd);
}

bool VeltEvent::Wait(int timeoutMs) {
  std::unique_lock<std::mutex> guard(m_state->lock);
  auto isSet = [this] { return m_state->signalled; };
  bool seen;
  if (timeoutMs < 0) {
    m_state->changed.wait(guard, isSet);
    seen = true;
  } else {
    seen = m_state->changed.wait_for(guard, std::chrono::milliseconds(timeoutMs), isSet);
  }
  if (seen && !m_state->manualReset) {
    m_state->signalled = false;
    DrainDescriptor(m_state->fd);
  }
  return seen;
}

bool VeltEvent::IsWatchable() const { return VeltEventAccess::Descriptor(*this) >= 0; }

int VeltEventAccess::Descriptor(const VeltEvent& event) {
  return event.m_state->manualReset ? event.m_state->fd : -1;
}
