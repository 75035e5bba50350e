#include "velt/actions/VeltCollectLogsAction.h"

#include "actions/CollectControls.h"
#include "actions/CollectPlan.h"
#include "helpers/FolderFiles.h"
#include "velt/helpers/helperUtil.h"
#include "velt/model/XMLObject.h"
#include "velt/platform/PathSeparator.h"
#include "velt/platform/TextEncoding.h"
#include "velt/runtime/CAppLog.h"
#include "velt/runtime/ResultCodes.h"

namespace {

// "temp_out" written as a bare file name (no separator of either kind, as
// path translation treats both alike) names a file in the bundle folder.
bool HoldsSeparator(const std::wstring& path) {
  return path.find_first_of(L"/\\") != std::wstring::npos;
}

// Why `name` cannot name a file directly in the bundle folder.
std::wstring WhyNotPlain(const std::wstring& name) {
  if (name.empty()) {
    return L"it is empty";
  }
  if (name == L"." || name == L"..") {
    return L"it names a folder";
  }
  return HoldsSeparator(name) ? L"it holds a path separator" : L"it holds a control character";
}

// `name` as a summary note can show it: control characters become '?'.
std::wstring Printable(std::wstring name) {
  for (wchar_t& c : name) {
    if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0)) {
      c = L'?';
    }
  }
  return name;
}

// A file that a wildcard matched and that was last written before the
// run's time window. Files named exactly are always collected.
bool IsBeforeWindow(const velt::CollectControls& controls,
                    const velt::platform::WalkedFolder& folder, const std::wstring& pattern,
                    const std::wstring& name) {
  if (controls.windowStart == 0 || pattern.find_first_of(L"*?") == std::wstring::npos) {
    return false;
  }
  velt::platform::FileDetails details;
  return folder.Status(velt::Narrow(name), true, details) == 0 &&
         details.lastWrite.seconds < controls.windowStart;
}

// A command line as a note quotes it: at most 120 characters.
std::wstring Quoted(const std::wstring& command) {
  return command.size() > 120 ? command.substr(0, 117) + L"..." : command;
}

}  // namespace

long VeltCollectLogsAction::performFileAction(XMLObject& instance,
                                              std::list<truncAttributes>& out) {
  FILE_ACTION_ATTRIBUTES attributes;
  long rc = parseFileActionAttributes(instance, attributes);
  if (rc != 0) {
    return rc;
  }
  return fullCopy(attributes, out);
}

long VeltCollectLogsAction::fullCopy(FILE_ACTION_ATTRIBUTES& a, std::list<truncAttributes>& out) {
  const std::wstring separator = velt::kPathSeparatorString;
  const std::wstring folder = helperUtil::getAllExLastPart(a.locPath, separator, true);
  const std::wstring pattern = helperUtil::getLastPart(a.locPath, separator);

  // The location's folder is walked once; searching and copying happen in
  // the folder that walk reached.
  velt::platform::WalkedFolder opened;
  long rc = velt::OpenSearchFolder(folder, opened);
  if (rc == VELTENGINE_ERROR_ACCESS_DENIED) {
    noteFailedFile(L"N/A", a.loc + L" " + helperUtil::lastFileError());
    return 0;
  }
  FILE_INFO newest;
  if (a.gatherNewest) {
    if (rc == 0) {
      rc = velt::FindNewestInFolder(opened, pattern, newest);
    }
    if (rc != 0) {
      noteFailedFile(pattern, folder + pattern + L" not found on client machine.");
      return rc;
    }
  }
  std::list<FILE_INFO> found;
  if (rc != 0 || velt::FindInFolder(opened, pattern, found) != 0) {
    noteFailedFile(L"N/A", L"No file found with path matching: " + a.locPath);
    return 0;
  }
  velt::CollectControls* controls = m_attributes.controls;
  unsigned beforeWindow = 0;
  for (const FILE_INFO& entry : found) {
    const std::wstring& name = entry.fileName;
    if (name == L".." || name == L".") {
      continue;
    }
    const std::wstring source = folder + name;
    if (a.gatherNewest && name != newest.fileName) {
      continue;
    }
    if (controls != nullptr && IsBeforeWindow(*controls, opened, pattern, name)) {
      ++beforeWindow;
      continue;
    }
    const std::wstring destination =
        m_attributes.bundleFolder + separator +
        bundleName(helperUtil::composeName(m_attributes.dstName, name), name);
    if (controls != nullptr && controls->plan != nullptr) {
      const double size = helperUtil::getFileSize(source);
      controls->plan->AddStep({false, source, helperUtil::getLastPart(destination, separator),
                               size > 0.0 ? static_cast<uint64_t>(size) : 0});
      continue;
    }
    const int64_t started = velt::ActionLimits::NowMs();
    rc = velt::CopyFromFolder(opened, name, destination);
    if (rc != 0) {
      noteFailedFile(helperUtil::getLastPart(source, separator), a.loc + describeCopyError(rc));
      if (a.gatherNewest) {
        break;
      }
      continue;
    }
    addRecord(destination, out);
    if (controls != nullptr) {
      velt::FileOrigin origin;
      origin.source = source;
      origin.elapsedMs = velt::ActionLimits::NowMs() - started;
      controls->SetOrigin(destination, origin);
    }
  }
  if (beforeWindow != 0) {
    controls->CountLeftOutByWindow(beforeWindow);
    helperUtil::fillSummaryNote(
        m_attributes.pXMLSummary,
        std::to_wstring(beforeWindow) + L" file(s) matching " + a.locPath +
            L" were left out: last modified before " + controls->windowText +
            L", the start of the time window.");
  }
  return 0;
}

std::wstring VeltCollectLogsAction::describeCopyError(long rc) {
  if (rc == VELTENGINE_ERROR_FILE_NOT_FOUND) {
    return L" File not found";
  }
  const std::wstring reason = helperUtil::lastFileError();
  return reason.empty() ? L" Unexpected error occurred" : L" " + reason;
}

std::wstring VeltCollectLogsAction::bundleName(const std::wstring& wanted,
                                               const std::wstring& fallback) {
  if (wanted == fallback || helperUtil::isPlainFileName(wanted)) {
    return wanted;
  }
  helperUtil::fillSummaryNote(m_attributes.pXMLSummary,
                              L"The file name \"" + Printable(wanted) + L"\" was refused (" +
                                  WhyNotPlain(wanted) + L"); \"" + Printable(fallback) +
                                  L"\" was used instead.");
  return fallback;
}

long VeltCollectLogsAction::performExternalAction(XMLObject& instance,
                                                  std::list<truncAttributes>& out,
                                                  std::list<std::wstring>& filesToDelete) {
  EXTERNAL_ACTION_ATTRIBUTES a;
  long rc = parseExternalActionAttributes(instance, a);
  if (rc != 0) {
    return rc;
  }
  const std::wstring separator = velt::kPathSeparatorString;
  const std::wstring defaultName = a.exeBaseName + L"_result.txt";
  bool inBundle = false;
  if (a.captureStdout && a.tempOut.empty()) {
    inBundle = true;
    a.tempOut = m_attributes.bundleFolder + separator +
                (!m_attributes.dstName.empty() ? bundleName(m_attributes.dstName, defaultName)
                                               : defaultName);
  } else if (!a.tempOut.empty() && !HoldsSeparator(a.tempOut)) {
    inBundle = true;
    a.tempOut = m_attributes.bundleFolder + separator + bundleName(a.tempOut, defaultName);
  }
  a.path = helperUtil::translatePath(a.path);
  a.args = helperUtil::expandVariablePairs(a.args);
  a.tempOut = helperUtil::translatePath(a.tempOut);

  velt::CollectControls* controls = m_attributes.controls;
  // The output's name in the bundle, as the plan and the notes show it.
  const std::wstring outputName = helperUtil::getLastPart(a.tempOut, separator);
  const std::wstring shownName = inBundle || a.tempOut.empty()
                                     ? outputName
                                     : helperUtil::composeName(m_attributes.dstName, outputName);
  if (controls != nullptr && controls->plan != nullptr) {
    controls->plan->AddStep({true, a.args, shownName, 0});
    return 0;
  }
  rc = callExtern(a.path, a.args, a.captureStdout, a.tempOut);
  if (controls != nullptr && (rc == 0 || rc == VELTENGINE_ERROR_EXTERN_ACTION_TIMEOUT)) {
    noteCommandEnd(shownName, a.args);
    if (rc != 0 && inBundle && helperUtil::getFileSize(a.tempOut) >= 0.0) {
      // Killed at its time limit: what it wrote is in the bundle and is
      // listed, with the note saying it is incomplete.
      addCommandRecord(a.tempOut, a.args, out);
      return 0;
    }
  }
  if (rc != 0) {
    VELT_LOG_CODE('E', "VeltAction::callExtern", rc);
    return rc;
  }
  std::wstring destination = a.tempOut;
  if (!inBundle) {
    if (a.tempOut.empty()) {
      return 0;
    }
    const std::wstring name = helperUtil::getLastPart(a.tempOut, separator);
    const std::wstring fallback = helperUtil::isPlainFileName(name) ? name : defaultName;
    destination = helperUtil::translatePath(
        m_attributes.bundleFolder + separator +
        bundleName(helperUtil::composeName(m_attributes.dstName, name), fallback));
    rc = helperUtil::fileCopy(a.tempOut, destination);
    if (rc != 0) {
      const std::wstring reason =
          L"VELT cannot access temporary output at: " + a.tempOut + L" as specified by Config";
      noteFailedFile(name, reason);
      VELT_LOG_CODE('E', "helperUtil::fileCopy", rc, "%s", velt::Narrow(reason).c_str());
      return rc;
    }
    filesToDelete.push_back(a.tempOut);
  }
  addCommandRecord(destination, a.args, out);
  return 0;
}

void VeltCollectLogsAction::noteCommandEnd(const std::wstring& name, const std::wstring& command) {
  const std::wstring what = name.empty() ? L"A command of this entry" : name + L": the command";
  if (m_lastCommand.timedOut || (m_lastCommand.ended && m_lastCommand.exitStatus != 0)) {
    m_attributes.controls->CountFailedCommand();
  }
  if (m_lastCommand.timedOut) {
    helperUtil::fillSummaryNote(m_attributes.pXMLSummary,
                                what + L" was killed after " + std::to_wstring(timeLimitSeconds()) +
                                    L" s, its time limit; its output is incomplete: " +
                                    Quoted(command));
  } else if (m_lastCommand.ended && m_lastCommand.exitStatus != 0) {
    helperUtil::fillSummaryNote(m_attributes.pXMLSummary,
                                what + L" exited with status " +
                                    std::to_wstring(m_lastCommand.exitStatus) +
                                    L"; its output may be an error message rather than data: " +
                                    Quoted(command));
  }
}

void VeltCollectLogsAction::addCommandRecord(const std::wstring& destination,
                                             const std::wstring& command,
                                             std::list<truncAttributes>& out) {
  addRecord(destination, out);
  if (m_attributes.controls == nullptr) {
    return;
  }
  velt::FileOrigin origin;
  origin.isCommand = true;
  origin.source = command;
  origin.elapsedMs = m_lastCommand.elapsedMs;
  origin.ended = m_lastCommand.ended;
  origin.exitStatus = m_lastCommand.exitStatus;
  origin.timedOut = m_lastCommand.timedOut;
  origin.timeLimitSeconds = timeLimitSeconds();
  m_attributes.controls->SetOrigin(destination, origin);
}

void VeltCollectLogsAction::noteFailedFile(const std::wstring& name, const std::wstring& reason) {
  helperUtil::fillSummaryFailedFile(m_attributes.pXMLSummary, m_attributes.fileID, name,
                                    m_attributes.description, reason);
}

void VeltCollectLogsAction::addRecord(const std::wstring& destination,
                                      std::list<truncAttributes>& out) {
  truncAttributes record;
  record.fileID = m_attributes.fileID;
  record.path = destination;
  record.description = m_attributes.description;
  record.size = helperUtil::getFileSize(destination);
  record.truncType = m_attributes.truncType;
  record.truncRatio = m_attributes.truncRatio;
  record.appliedTrunc = TRUNC_NO;
  out.push_back(record);
}
