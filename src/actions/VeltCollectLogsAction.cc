#include "velt/actions/VeltCollectLogsAction.h"

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
  return path.find(L'\\') != std::wstring::npos ||
         path.find(velt::kPathSeparator) != std::wstring::npos;
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
  for (const FILE_INFO& entry : found) {
    const std::wstring& name = entry.fileName;
    if (name == L".." || name == L".") {
      continue;
    }
    const std::wstring source = folder + name;
    if (a.gatherNewest && name != newest.fileName) {
      continue;
    }
    const std::wstring destination =
        m_attributes.bundleFolder + separator +
        bundleName(helperUtil::composeName(m_attributes.dstName, name), name);
    rc = velt::CopyFromFolder(opened, name, destination);
    if (rc != 0) {
      noteFailedFile(helperUtil::getLastPart(source, separator), a.loc + describeCopyError(rc));
      if (a.gatherNewest) {
        break;
      }
      continue;
    }
    addRecord(destination, out);
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

  rc = callExtern(a.path, a.args, a.captureStdout, a.tempOut);
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
  addRecord(destination, out);
  return 0;
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
