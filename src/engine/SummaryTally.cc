#include "engine/SummaryTally.h"

#include "platform/SystemError.h"
#include "velt/model/Attribute.h"
#include "velt/model/VeltComponent.h"
#include "velt/model/XMLObject.h"
#include "velt/platform/TextEncoding.h"

namespace velt {
namespace engine {

void TallySummary(XMLObject& summary, VeltCollectReport& report) {
  VeltComponent* root = summary.GetRoot();
  VeltComponent* included = summary.FindChild(root, L"Manifest_Included");
  VeltComponent* omitted = summary.FindChild(root, L"Manifest_Not_Included");
  if (included != nullptr) {
    for (const VeltComponent* file : included->GetChildren()) {
      if (file->GetType() != L"comments") ++report.collected;
    }
  }
  if (omitted != nullptr) {
    for (const VeltComponent* file : omitted->GetChildren()) {
      const Attribute* reason = file->FindAttrib(L"reason");
      if (reason == nullptr) continue;
      const std::string why = Narrow(reason->getValue());
      if (platform::ReportsLackOfSpace(why)) ++report.droppedForSpace;
      if (platform::ReportsLackOfPermission(why)) ++report.deniedForPermission;
    }
  }
}

}  // namespace engine
}  // namespace velt
