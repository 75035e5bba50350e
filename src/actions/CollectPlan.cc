#include "actions/CollectPlan.h"

#include <utility>

namespace velt {

void CollectPlan::BeginEntry(const std::wstring& fileID, const std::wstring& description) {
  m_entries.push_back(CollectEntry{m_configTitle, fileID, description, {}});
}

void CollectPlan::AddStep(CollectStep step) {
  if (m_entries.empty()) {
    BeginEntry(L"", L"");  // a step recorded outside a pass
  }
  m_entries.back().steps.push_back(std::move(step));
}

void CollectPlan::AddRemark(const std::wstring& fileID, const std::wstring& text) {
  m_remarks.push_back(CollectRemark{m_configTitle, fileID, text});
}

void CollectPlan::AddLeftOut(const std::wstring& fileID, const std::wstring& note) {
  m_leftOut.push_back(CollectRemark{m_configTitle, fileID, note});
}

}  // namespace velt
