// Reading file entries of a configuration or request: the entries
// themselves, their ID, description, destination name and default flag, and
// the progress share of each entry of a pass.
#include "velt/helpers/helperUtil.h"
#include "velt/model/XMLObject.h"
#include "velt/report/collector.h"
#include "velt/runtime/CAppLog.h"

namespace {

std::wstring FirstDescendantText(VeltComponent* pDC, const std::wstring& type) {
  if (pDC == nullptr) return std::wstring();
  VeltComponent* found = pDC->FindChild(type);
  return found != nullptr ? found->GetVal() : std::wstring();
}

}  // namespace

std::list<VeltComponent*> collector::getFileComponents(XMLObject& rXMLObject) {
  std::list<VeltComponent*> entries;
  VeltComponent* root = rXMLObject.GetRoot();
  if (root == nullptr) {
    VELT_LOG_MESSAGE('E', "rXMLObject.GetRoot() is NULL");
    return entries;
  }
  for (VeltComponent* child : root->GetChildren()) {
    if (child->GetType() == L"file") entries.push_back(child);
  }
  return entries;
}

std::list<VeltComponent*> collector::getSortedFileComponents(XMLObject& rXMLObject) {
  std::list<VeltComponent*> entries = getFileComponents(rXMLObject);
  // A stable sort by "id" in code-unit order; entries without one keep
  // their places relative to each other.
  entries.sort(helperUtil::ComponentCompareUsingIDAtt);
  return entries;
}

std::wstring collector::getFileID(VeltComponent* pDC) {
  if (pDC == nullptr) return std::wstring();
  const Attribute* id = pDC->FindAttrib(L"id");
  return id != nullptr ? id->getValue() : std::wstring();
}

bool collector::isOfThisFileID(VeltComponent* pDC, const std::wstring& id) {
  if (pDC == nullptr) return false;
  const Attribute* att = pDC->FindAttrib(L"id");
  return att != nullptr && att->getValue() == id;
}

std::wstring collector::getFileDescription(VeltComponent* pDC) {
  return FirstDescendantText(pDC, L"description");
}

std::wstring collector::getDstname(VeltComponent* pDC) { return FirstDescendantText(pDC, L"name"); }

bool collector::isDefault(VeltComponent* pDC) {
  if (pDC == nullptr) return false;
  VeltComponent* flag = pDC->FindChild(L"default");
  return flag != nullptr && flag->GetVal() == L"true";
}

bool collector::isSystemLogID(const std::wstring& id) const {
  return id == L"system-log-hist" || id == L"system-logs";
}

void collector::setUIPercentPortionForEachFile(size_t count) {
  m_uiPercentPortion =
      count > 1 ? m_uiPercentShare / static_cast<unsigned>(count) : m_uiPercentShare;
}
