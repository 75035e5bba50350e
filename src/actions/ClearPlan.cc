#include "actions/ClearPlan.h"

#include <chrono>
#include <thread>

#include "velt/actions/VeltClearLogsAction.h"
#include "velt/control/VeltThread.h"
#include "velt/runtime/ResultCodes.h"

namespace velt {
namespace {

// How long the run lets each status line stand before it acts.
constexpr std::chrono::milliseconds kClearStatusPause(50);

}  // namespace

void ClearPlan::BeginEntry(const ACTION_ATTRIBUTES& attributes, unsigned percent) {
  ClearEntry entry;
  entry.configTitle = m_configTitle;
  entry.attributes = attributes;
  entry.percent = percent;
  m_entries.push_back(std::move(entry));
}

void ClearPlan::AddStep(ClearStep step) {
  if (m_entries.empty()) {
    m_entries.emplace_back();  // steps recorded outside a pass
  }
  m_entries.back().steps.push_back(std::move(step));
}

void ClearPlan::CarryOut() {
  for (const ClearEntry& entry : m_entries) {
    VeltThread::PostStatus(entry.percent, L"Clearing " + entry.attributes.description + L"...",
                           VELTOFFLINE_ERROR_PROCESSING);
    std::this_thread::sleep_for(kClearStatusPause);
    // One action per entry, as the pass made them: it owns the launcher of
    // the entry's last command.
    VeltClearLogsAction action(entry.attributes, nullptr);
    for (const ClearStep& step : entry.steps) {
      action.carryOut(step, m_skipped);
    }
  }
}

}  // namespace velt
