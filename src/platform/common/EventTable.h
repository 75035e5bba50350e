// The process-wide bookkeeping of VeltEvents, the same on every system: one
// event per name, and the references each event has, so that the last Close
// deletes it and forgets its name. The system object behind an event is the
// implementation's own; the table only hands out and counts VeltEvents.
#pragma once

#include <functional>
#include <string>

class VeltEvent;

namespace velt {
namespace platform {

// The event known as `name` with one more reference. Without one, the
// event `make` gives (null for none), with one reference and, unless `name`
// is empty, known by it from then on. `make` runs while the table is held,
// so no other thread makes an event of the same name meanwhile.
VeltEvent* TakeEvent(const std::wstring& name, const std::function<VeltEvent*()>& make);

// Releases one reference of `event`; true when it was the last, and the
// caller deletes the event (its name is already forgotten then).
bool ReleaseEvent(VeltEvent* event);

}  // namespace platform
}  // namespace velt
