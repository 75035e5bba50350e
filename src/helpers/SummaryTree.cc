#include "helpers/SummaryTree.h"

namespace velt {

std::unique_ptr<XMLObject> NewSummaryTree() {
  auto summary = std::make_unique<XMLObject>(L"summary", L"VELT BUNDLE SUMMARY\n");
  VeltComponent* root = summary->GetRoot();
  if (root != nullptr) {
    summary->AddChild(root, L"Main_Info", L"");
    summary->AddChild(root, L"Manifest_Included", L"File Manifest:");
    summary->AddChild(root, L"Manifest_Not_Included",
                      L"Files Requested But Not Included In Bundle:");
    summary->AddChild(root, L"Other_Note", L"Other notes:");
  }
  return summary;
}

}  // namespace velt
