#include "platform/common/EventTable.h"

#include <map>
#include <mutex>

namespace velt {
namespace platform {
namespace {

struct Entry {
  std::wstring name;
  unsigned references = 0;
};

// Never destroyed, so that events closed while the process ends still find
// the table.
std::mutex& TableLock() {
  static std::mutex* lock = new std::mutex();
  return *lock;
}

std::map<std::wstring, VeltEvent*>& Names() {
  static auto* names = new std::map<std::wstring, VeltEvent*>();
  return *names;
}

std::map<const VeltEvent*, Entry>& Entries() {
  static auto* entries = new std::map<const VeltEvent*, Entry>();
  return *entries;
}

}  // namespace

VeltEvent* TakeEvent(const std::wstring& name, const std::function<VeltEvent*()>& make) {
  std::lock_guard<std::mutex> guard(TableLock());
  if (!name.empty()) {
    auto found = Names().find(name);
    if (found != Names().end()) {
      ++Entries()[found->second].references;
      return found->second;
    }
  }
  VeltEvent* event = make();
  if (event == nullptr) {
    return nullptr;
  }
  Entries()[event] = Entry{name, 1};
  if (!name.empty()) {
    Names()[name] = event;
  }
  return event;
}

bool ReleaseEvent(VeltEvent* event) {
  std::lock_guard<std::mutex> guard(TableLock());
  auto entry = Entries().find(event);
  if (entry == Entries().end() || --entry->second.references > 0) {
    return false;
  }
  auto named = Names().find(entry->second.name);
  if (named != Names().end() && named->second == event) {
    Names().erase(named);
  }
  Entries().erase(entry);
  return true;
}

}  // namespace platform
}  // namespace velt
