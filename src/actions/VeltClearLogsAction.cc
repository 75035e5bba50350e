#include "velt/actions/VeltClearLogsAction.h"

#include "actions/ClearPlan.h"
#include "helpers/FolderFiles.h"
#include "platform/SystemError.h"
#include "velt/helpers/helperUtil.h"
#include "velt/model/XMLObject.h"
#include "velt/platform/PathSeparator.h"
#include "velt/platform/TextEncoding.h"
#include "velt/runtime/CAppLog.h"
#include "velt/runtime/ResultCodes.h"

VeltClearLogsAction::VeltClearLogsAction(const ACTION_ATTRIBUTES& attributes,
                                         VeltComponent* actionComponent, velt::ClearPlan* plan)
    : VeltAction(attributes, actionComponent), m_pPlan(plan) {}

long VeltClearLogsAction::performFileAction(XMLObject& instance, std::list<truncAttributes>&) {
  FILE_ACTION_ATTRIBUTES attributes;
  long rc = parseFileActionAttributes(instance, attributes);
  if (rc != 0) {
    return rc;
  }
  if (!attributes.clearLog) {
    return 0;
  }
  return fileDelete(attributes);
}

long VeltClearLogsAction::fileDelete(FILE_ACTION_ATTRIBUTES& a) {
  const std::wstring separator = velt::kPathSeparatorString;
  const std::wstring folder = helperUtil::getAllExLastPart(a.locPath, separator, true);
  const std::wstring pattern = helperUtil::getLastPart(a.locPath, separator);
  velt::ClearStep step;
  step.pattern = a.locPath;
  step.folder = std::make_shared<velt::platform::WalkedFolder>();
  std::vector<velt::platform::FoundEntry> found;
  const long rc = velt::OpenSearchFolder(folder, *step.folder);
  if (rc == VELTENGINE_ERROR_ACCESS_DENIED) {
    step.refused = helperUtil::lastFileError();
  } else if (rc == 0 && velt::FindEntriesInFolder(*step.folder, pattern, found) != 0) {
    found.clear();
  }
  for (const velt::platform::FoundEntry& entry : found) {
    const velt::platform::FileDetails& status = entry.status;
    if (entry.name == "." || entry.name == ".." || status.isDirectory || status.readOnly) {
      continue;
    }
    velt::ClearDeletion deletion;
    deletion.name = entry.name;
    deletion.device = status.device;
    deletion.inode = status.index;
    deletion.path = folder + velt::Widen(entry.name);
    std::string target;
    if (status.isSymlink) {
      const bool read = step.folder->ReadLink(entry.name, target) == 0;
      deletion.linkTarget = velt::Widen(read ? target : "?");
    }
    step.deletions.push_back(deletion);
  }
  submit(step);
  return 0;
}

long VeltClearLogsAction::performExternalAction(XMLObject& instance, std::list<truncAttributes>&,
                                                std::list<std::wstring>&) {
  EXTERNAL_ACTION_ATTRIBUTES a;
  long rc = parseExternalActionAttributes(instance, a);
  if (rc != 0) {
    return rc;
  }
  if (a.clearLog) {
    velt::ClearStep step;
    step.isCommand = true;
    step.programFolder = helperUtil::translatePath(a.path);
    step.command = a.clearLogCommand;
    submit(step);
  }
  return 0;
}

void VeltClearLogsAction::submit(velt::ClearStep& step) {
  if (m_pPlan != nullptr) {
    m_pPlan->AddStep(std::move(step));
    return;
  }
  std::vector<velt::ClearSkipped> skipped;
  carryOut(step, skipped);
}

void VeltClearLogsAction::carryOut(const velt::ClearStep& step,
                                   std::vector<velt::ClearSkipped>& skipped) {
  using velt::platform::EntryRemoval;
  if (step.isCommand) {
    // No output file: a clearing command always runs the launched way.
    callExtern(step.programFolder, step.command, false, L"");
    return;
  }
  if (step.deletions.empty()) {
    return;
  }
  // The folder's path must still lead to the folder the plan opened: one
  // moved away or swapped for a link meanwhile is left alone.
  velt::platform::WalkedFolder now;
  std::string refused;
  const bool moved = now.Open(step.folder->path(), refused) != 0 || !now.SameFolder(*step.folder);
  for (const velt::ClearDeletion& deletion : step.deletions) {
    const std::string path = velt::Narrow(deletion.path);
    int error = 0;
    std::wstring reason;
    switch (moved ? EntryRemoval::kReplaced
                  : step.folder->RemoveEntry(deletion.name, deletion.device, deletion.inode,
                                             error)) {
      case EntryRemoval::kRemoved:
        continue;
      case EntryRemoval::kFailed:
        VELT_LOG_CODE('E', "unlink_file", error, "%s", path.c_str());
        skipped.push_back(
            {deletion.path,
             velt::Widen(velt::platform::SystemErrorText(static_cast<unsigned long>(error)))});
        continue;
      case EntryRemoval::kGone:
        reason = L"it is gone since the plan was made";
        break;
      case EntryRemoval::kReplaced:
        reason = moved ? L"its folder changed since the plan was made"
                       : L"another file took its name since the plan was made";
        break;
    }
    VELT_LOG_MESSAGE('W', "%s was not deleted: %s", path.c_str(), velt::Narrow(reason).c_str());
    skipped.push_back({deletion.path, reason});
  }
}
