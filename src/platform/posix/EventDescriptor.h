// The descriptor behind a VeltEvent, for the POSIX waits that watch events
// together with children and command outputs; for the POSIX implementation
// only.
#pragma once

class VeltEvent;

struct VeltEventAccess {
  // An eventfd that polls readable exactly while the event is signalled;
  // -1 for an event that cannot be watched (auto-reset).
  static int Descriptor(const VeltEvent& event);
};
