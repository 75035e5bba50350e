#include "velt/engine/VeltCollectPlan.h"

#include "actions/CollectPlan.h"

VeltCollectPlan::VeltCollectPlan() : m_plan(std::make_shared<velt::CollectPlan>()) {}
VeltCollectPlan::~VeltCollectPlan() = default;
VeltCollectPlan::VeltCollectPlan(const VeltCollectPlan& other) = default;
VeltCollectPlan& VeltCollectPlan::operator=(const VeltCollectPlan& other) = default;

std::vector<VeltCollectPlan::Entry> VeltCollectPlan::entries() const {
  std::vector<Entry> entries;
  for (const velt::CollectEntry& planned : m_plan->entries()) {
    Entry entry{planned.configTitle, planned.fileID, planned.description, {}};
    for (const velt::CollectStep& step : planned.steps) {
      entry.steps.push_back(Step{step.isCommand, step.source, step.bundleName, step.size});
    }
    entries.push_back(entry);
  }
  return entries;
}

namespace {

std::vector<VeltCollectPlan::Remark> Copied(const std::vector<velt::CollectRemark>& planned) {
  std::vector<VeltCollectPlan::Remark> remarks;
  for (const velt::CollectRemark& remark : planned) {
    remarks.push_back(VeltCollectPlan::Remark{remark.configTitle, remark.fileID, remark.text});
  }
  return remarks;
}

}  // namespace

std::vector<VeltCollectPlan::Remark> VeltCollectPlan::remarks() const {
  return Copied(m_plan->remarks());
}

std::vector<VeltCollectPlan::Remark> VeltCollectPlan::leftOut() const {
  return Copied(m_plan->leftOut());
}

uint64_t VeltCollectPlan::fileBytes() const {
  uint64_t total = 0;
  for (const velt::CollectEntry& entry : m_plan->entries()) {
    for (const velt::CollectStep& step : entry.steps) total += step.size;
  }
  return total;
}
