#include "velt/actions/VeltClearLogsAction.h"

#include "velt/helpers/helperUtil.h"
#include "velt/model/XMLObject.h"
#include "velt/platform/PathSeparator.h"

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
  std::list<FILE_INFO> found;
  if (helperUtil::fileFindAll(folder, pattern, found) != 0) {
    return 0;
  }
  for (const FILE_INFO& entry : found) {
    if (entry.fileName == L".." || entry.fileName == L".") {
      continue;
    }
    helperUtil::fileDelete(folder + entry.fileName);
  }
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
    a.path = helperUtil::translatePath(a.path);
    // No output file: the clearing command always runs the launched way.
    callExtern(a.path, a.clearLogCommand, a.captureStdout, L"");
  }
  return 0;
}
