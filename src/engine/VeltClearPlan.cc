#include "velt/engine/VeltClearPlan.h"

#include "actions/ClearPlan.h"

VeltClearPlan::VeltClearPlan() : m_plan(std::make_shared<velt::ClearPlan>()) {}
VeltClearPlan::~VeltClearPlan() = default;
VeltClearPlan::VeltClearPlan(const VeltClearPlan& other) = default;
VeltClearPlan& VeltClearPlan::operator=(const VeltClearPlan& other) = default;

std::vector<VeltClearPlan::Entry> VeltClearPlan::entries() const {
  std::vector<Entry> entries;
  for (const velt::ClearEntry& planned : m_plan->entries()) {
    Entry entry;
    entry.configTitle = planned.configTitle;
    entry.fileID = planned.attributes.fileID;
    entry.description = planned.attributes.description;
    for (const velt::ClearStep& plannedStep : planned.steps) {
      Step step;
      step.isCommand = plannedStep.isCommand;
      step.pattern = plannedStep.pattern;
      step.refused = plannedStep.refused;
      step.command = plannedStep.command;
      for (const velt::ClearDeletion& deletion : plannedStep.deletions) {
        step.deletions.push_back(Deletion{deletion.path, deletion.linkTarget});
      }
      entry.steps.push_back(step);
    }
    entries.push_back(entry);
  }
  return entries;
}

std::vector<VeltClearPlan::Skipped> VeltClearPlan::skipped() const {
  std::vector<Skipped> skipped;
  for (const velt::ClearSkipped& planned : m_plan->skipped()) {
    skipped.push_back(Skipped{planned.path, planned.reason});
  }
  return skipped;
}
