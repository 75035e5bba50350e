// The kernel event behind a VeltEvent, for the win32 waits that watch events
// together with children and command outputs; for the win32 implementation
// only.
#pragma once

class VeltEvent;

struct VeltEventAccess {
  // The event's HANDLE, which a wait sees signalled exactly while the event
  // is set; null for an event that cannot be watched (auto-reset: the wait
  // that saw it would reset it).
  static void* Handle(const VeltEvent& event);
};
