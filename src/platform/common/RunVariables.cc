#include "platform/common/RunVariables.h"

#include <mutex>
#include <utility>

#include "platform/Environment.h"

namespace velt {
namespace platform {
namespace {

std::mutex& RunVariablesLock() {
  static std::mutex* lock = new std::mutex();
  return *lock;
}

std::vector<std::string>& RunVariables() {
  static std::vector<std::string>* entries = new std::vector<std::string>();
  return *entries;
}

}  // namespace

void AppendRunVariables(std::vector<std::string>& entries) {
  std::lock_guard<std::mutex> guard(RunVariablesLock());
  entries.insert(entries.end(), RunVariables().begin(), RunVariables().end());
}

void SetRunVariables(std::vector<std::string> entries) {
  std::lock_guard<std::mutex> guard(RunVariablesLock());
  RunVariables() = std::move(entries);
}

}  // namespace platform
}  // namespace velt
