#include "actions/ActionLimits.h"

#include <mutex>
#include <utility>

#include "platform/Clock.h"

namespace velt {
namespace {

struct Limits {
  std::mutex lock;
  std::function<int64_t()> clockMs;
  unsigned waitSliceMs = ActionLimits::kWaitSliceMs;
  uint64_t maxOutputBytes = ActionLimits::kMaxOutputBytes;
};

Limits& State() {
  static Limits* limits = new Limits();
  return *limits;
}

}  // namespace

int64_t ActionLimits::NowMs() {
  std::function<int64_t()> clock;
  {
    std::lock_guard<std::mutex> guard(State().lock);
    clock = State().clockMs;
  }
  return clock ? clock() : platform::WallClockMs();
}

unsigned ActionLimits::WaitSliceMs() {
  std::lock_guard<std::mutex> guard(State().lock);
  return State().waitSliceMs;
}

uint64_t ActionLimits::MaxOutputBytes() {
  std::lock_guard<std::mutex> guard(State().lock);
  return State().maxOutputBytes;
}

void ActionLimits::Drive(std::function<int64_t()> clockMs, unsigned waitSliceMs) {
  std::lock_guard<std::mutex> guard(State().lock);
  State().clockMs = std::move(clockMs);
  State().waitSliceMs = waitSliceMs;
}

void ActionLimits::LimitOutput(uint64_t maxOutputBytes) {
  std::lock_guard<std::mutex> guard(State().lock);
  State().maxOutputBytes = maxOutputBytes;
}

void ActionLimits::Restore() {
  Drive(nullptr, kWaitSliceMs);
  LimitOutput(kMaxOutputBytes);
}

}  // namespace velt
