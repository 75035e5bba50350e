#include <atomic>

#include "platform/OsFacts.h"
#include "platform/common/SystemOsFacts.h"

namespace velt {
namespace platform {
namespace {

std::atomic<const OsFactsSource*> g_installed{nullptr};

}  // namespace

const OsFactsSource& CurrentOsFacts() {
  const OsFactsSource* installed = g_installed.load();
  return installed != nullptr ? *installed : SystemOsFactsSource();
}

void SetOsFactsSource(const OsFactsSource* source) { g_installed.store(source); }

}  // namespace platform
}  // namespace velt
