// The actions of a clear run: files marked clearable are deleted and the
// clearing commands of external actions run. Nothing is collected.
#pragma once

#include <list>
#include <string>

#include "velt/VeltExport.h"
#include "velt/actions/VeltAction.h"

class VELT_API VeltClearLogsAction : public VeltAction {
 public:
  using VeltAction::VeltAction;

  long performFileAction(XMLObject& instance, std::list<truncAttributes>& out) override;
  long performExternalAction(XMLObject& instance, std::list<truncAttributes>& out,
                             std::list<std::wstring>& filesToDelete) override;

  // Deletes every match of `a.locPath`. Always 0; failures are silent.
  long fileDelete(FILE_ACTION_ATTRIBUTES& a);
};
