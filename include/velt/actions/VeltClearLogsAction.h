// The actions of a clear run: files marked clearable are deleted and the
// clearing commands of external actions run. Nothing is collected.
//
// What an instance would do is worked out first, as a step of a clear plan
// (a location's folder opened by the safe walk and the entries to delete
// in it, or a command), and then carried out as it stands: with a plan of
// the caller's, the action only records into it; without one it carries
// each step out at once.
#pragma once

#include <list>
#include <string>
#include <vector>

#include "velt/VeltExport.h"
#include "velt/actions/VeltAction.h"

namespace velt {
class ClearPlan;
struct ClearSkipped;
struct ClearStep;
}  // namespace velt

class VELT_API VeltClearLogsAction : public VeltAction {
 public:
  VeltClearLogsAction(const ACTION_ATTRIBUTES& attributes, VeltComponent* actionComponent,
                      velt::ClearPlan* plan = nullptr);

  long performFileAction(XMLObject& instance, std::list<truncAttributes>& out) override;
  long performExternalAction(XMLObject& instance, std::list<truncAttributes>& out,
                             std::list<std::wstring>& filesToDelete) override;

  // Plans the deletion of every match of `a.locPath` in its folder, except
  // folders and files whose owner may not write them (the run leaves
  // those). Always 0; failures are silent.
  long fileDelete(FILE_ACTION_ATTRIBUTES& a);

  // Carries out one planned step: deletes those of its entries that are
  // still what the plan found, from the folder opened for the plan, while
  // that folder is still where the plan found it; or runs its command.
  // Every planned deletion not made is logged and added to `skipped`.
  void carryOut(const velt::ClearStep& step, std::vector<velt::ClearSkipped>& skipped);

 private:
  void submit(velt::ClearStep& step);

  velt::ClearPlan* m_pPlan;  // borrowed; null: act at once
};
