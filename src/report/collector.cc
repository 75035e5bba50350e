// The collector's passes over one configuration: default mode (the
// configuration's default entries), request mode (the merge walk of the
// requested and configured IDs) and the clear pass.
#include "velt/report/collector.h"

#include <algorithm>

#include "actions/ClearPlan.h"
#include "actions/CollectControls.h"
#include "actions/CollectPlan.h"
#include "velt/actions/ActionAttributes.h"
#include "velt/actions/VeltClearLogsAction.h"
#include "velt/actions/VeltCollectLogsAction.h"
#include "velt/control/VeltThread.h"
#include "velt/helpers/helperUtil.h"
#include "velt/model/XMLObject.h"
#include "velt/platform/PathSeparator.h"
#include "velt/runtime/CAppLog.h"
#include "velt/runtime/ResultCodes.h"

namespace {

void PostProgress(unsigned percent, const std::wstring& text) {
  VeltThread::PostStatus(percent, text, VELTOFFLINE_ERROR_PROCESSING);
}

}  // namespace

bool collector::planning() const { return m_pControls != nullptr && m_pControls->plan != nullptr; }

collector::collector(XMLObject* request, std::list<VeltComponent*>& unprocessed,
                     unsigned uiPercentShare, std::wstring& bundlePath, bool includeSystemLogs)
    : m_pXMLRequest(request),
      m_pXMLSummary(nullptr),
      m_unprocessed(unprocessed),
      m_uiPercentShare(uiPercentShare),
      m_uiPercentPortion(0),
      m_firstSummary(true),
      m_includeSystemLogs(includeSystemLogs),
      m_bundlePath(bundlePath),
      m_pReader(nullptr) {}

collector::~collector() {
  delete m_pXMLSummary;
  for (HeldBlock& block : m_held) delete block.summary;
}

std::wstring collector::GetSummaryPath() { return m_summaryPath; }

long collector::Collect(std::wstring& destFolder, XMLObject* pXMLObjectConfig,
                        unsigned startPercent) {
  if (m_pXMLRequest == nullptr) {
    VELT_LOG_MESSAGE('E', "m_pXMLRequest is NULL");
    return VELTENGINE_ERROR_NOT_INITIALIZED;
  }
  if (pXMLObjectConfig == nullptr) {
    VELT_LOG_MESSAGE('E', "pXMLObjectConfig is NULL");
    return VELTENGINE_ERROR_BAD_PARAMETER;
  }
  long rc = initializeSummary();
  if (rc != 0) {
    VELT_LOG_CODE('E', "collector::initializedSummary", rc);
    return rc;
  }
  if (destFolder.empty()) {
    destFolder = helperUtil::translatePath(std::wstring(L"%TEMP%") + velt::kPathSeparatorString +
                                           L"VELT_Temp_Bundle");
  }
  ACTION_ATTRIBUTES attrs(m_pXMLSummary);
  attrs.bundleFolder = destFolder;
  attrs.controls = m_pControls;

  if (m_pXMLRequest->GetRoot() == nullptr) {
    collectDefaultEntries(*pXMLObjectConfig, attrs, startPercent);
  } else {
    collectRequestedEntries(destFolder, *pXMLObjectConfig, attrs, startPercent);
  }
  if (planning()) {
    recordRemarks();
    delete m_pXMLSummary;
    m_pXMLSummary = nullptr;
    return 0;
  }

  rc = writeSummary(destFolder, pXMLObjectConfig);
  if (rc != 0) {
    // The summary tree, the file list and the first-block flag stay, so the
    // next configuration tries the whole block again.
    VELT_LOG_CODE('E', "collector::writeSummary", rc);
    return rc;
  }
  m_firstSummary = false;
  delete m_pXMLSummary;
  m_pXMLSummary = nullptr;
  return 0;
}

long collector::collectDefaultEntries(XMLObject& config, ACTION_ATTRIBUTES& attrs,
                                      unsigned startPercent) {
  std::list<VeltComponent*> entries = getSortedFileComponents(config);
  setUIPercentPortionForEachFile(entries.size());
  unsigned percent = startPercent;
  for (VeltComponent* entry : entries) {
    const std::wstring id = getFileID(entry);
    if (!m_includeSystemLogs && isSystemLogID(id)) {
      if (m_pControls != nullptr) {
        noteLeftOut(id, L"a default run collects the system's own logs only when they are "
                        L"included (velt collect --include-system-logs)");
      }
      continue;
    }
    if (!isDefault(entry)) {
      helperUtil::fillSummaryNote(
          m_pXMLSummary,
          L"The file(s) of ID " + id + L" is/are not included by default by this config.");
      continue;
    }
    if (m_excluded.count(id) != 0) {
      noteLeftOut(id, L"it was excluded from this run");
      continue;
    }
    const std::wstring description = getFileDescription(entry);
    if (!planning()) PostProgress(percent, L"Processing " + description + L"...");
    attrs.fileID = id;
    attrs.dstName.clear();
    attrs.description = description;
    attrs.percentPortion = m_uiPercentPortion;
    if (moveReaderToCorrectOS(entry) != 0) continue;
    doCollectAction(attrs);
    percent += m_uiPercentPortion;
  }
  if (m_firstSummary && !m_defaultComment.empty() && !planning()) {
    writeComments(nullptr, attrs.bundleFolder);
  }
  return 0;
}

void collector::noteLeftOut(const std::wstring& id, const std::wstring& why) {
  const std::wstring note = L"The file(s) of ID " + id + L" are left out: " + why + L".";
  helperUtil::fillSummaryNote(m_pXMLSummary, note);
  if (planning()) m_pControls->plan->AddLeftOut(id, note);
}

long collector::collectRequestedEntries(std::wstring& destFolder, XMLObject& config,
                                        ACTION_ATTRIBUTES& attrs, unsigned startPercent) {
  std::list<VeltComponent*> requested = getSortedFileComponents(*m_pXMLRequest);
  std::list<VeltComponent*> configured = getSortedFileComponents(config);
  setUIPercentPortionForEachFile(requested.size());
  unsigned percent = startPercent;
  VeltComponent* commentsEntry = nullptr;

  // Both lists are sorted by ID, so one forward walk over the configured
  // entries pairs them. The cursor stays on a match, so a requested ID named
  // twice is served twice.
  auto cursor = configured.begin();
  for (VeltComponent* request : requested) {
    const std::wstring id = getFileID(request);
    if (id == L"comments") {
      commentsEntry = request;
      percent += m_uiPercentPortion;
      continue;
    }
    if (id == L"summary") {
      if (m_summaryPath.empty()) {
        const std::wstring name =
            reportFileName(getDstname(request), L"summary.txt", L"summary", L"comments.txt");
        m_summaryPath = reportFilePath(destFolder, name);
      }
      percent += m_uiPercentPortion;
      continue;
    }
    while (cursor != configured.end() && helperUtil::lessInUtf16Order(getFileID(*cursor), id)) {
      ++cursor;
    }
    if (cursor == configured.end() || getFileID(*cursor) != id) continue;

    if (m_excluded.count(id) != 0) {
      noteLeftOut(id, L"it was excluded from this run");
      m_unprocessed.remove(request);  // served, by leaving it out
      continue;
    }
    VeltComponent* entry = *cursor;
    const std::wstring description = getFileDescription(entry);
    if (!planning()) PostProgress(percent, L"Processing " + description + L"...");
    attrs.fileID = id;
    attrs.dstName = getDstname(entry);
    attrs.description = description;
    attrs.percentPortion = m_uiPercentPortion;
    if (moveReaderToCorrectOS(entry) != 0) continue;
    doCollectAction(attrs);
    removeFromUnprocessedList(request);
    percent += m_uiPercentPortion;
  }

  if (m_firstSummary && !planning()) writeComments(commentsEntry, destFolder);
  return 0;
}

long collector::removeFromUnprocessedList(VeltComponent* pDC) {
  if (pDC == nullptr) {
    VELT_LOG_MESSAGE('E', "pDC is NULL");
    return VELTENGINE_ERROR_BAD_PARAMETER;
  }
  auto found = std::find(m_unprocessed.begin(), m_unprocessed.end(), pDC);
  if (found != m_unprocessed.end()) {
    m_unprocessed.erase(found);
  } else {
    // An earlier configuration (or an earlier request line) served it.
    helperUtil::fillSummaryNote(m_pXMLSummary,
                                L"WARNING: File ID " + getFileID(pDC) +
                                    L" has duplicated instruction found in one of previous "
                                    L"config files");
  }
  return 0;
}

long collector::doCollectAction(ACTION_ATTRIBUTES& attrs) {
  if (planning()) m_pControls->plan->BeginEntry(attrs.fileID, attrs.description);
  VeltCollectLogsAction action(attrs, m_pReader);
  action.Perform(m_TruncAttrsList);
  return 0;
}

long collector::doClearAction(ACTION_ATTRIBUTES& attrs, velt::ClearPlan& plan) {
  VeltClearLogsAction action(attrs, m_pReader, &plan);
  action.Perform(m_TruncAttrsList);
  return 0;
}

long collector::Clear(XMLObject* pXMLObjectConfig, unsigned startPercent) {
  if (pXMLObjectConfig == nullptr) {
    VELT_LOG_MESSAGE('E', "pXMLObjectConfig is NULL");
    return VELTENGINE_ERROR_BAD_PARAMETER;
  }
  // No summary exists in a clear run: what the actions would note is only
  // logged. What the pass finds is planned first and then carried out as
  // planned; into a plan of the caller's it is only planned.
  ACTION_ATTRIBUTES attrs(m_pXMLSummary);
  velt::ClearPlan own;
  velt::ClearPlan& plan = m_pClearPlan != nullptr ? *m_pClearPlan : own;

  std::list<VeltComponent*> entries = getSortedFileComponents(*pXMLObjectConfig);
  setUIPercentPortionForEachFile(entries.size());
  unsigned percent = startPercent;
  for (VeltComponent* entry : entries) {
    const std::wstring id = getFileID(entry);
    if (!m_includeSystemLogs && isSystemLogID(id)) continue;
    if (isDefault(entry)) {
      const std::wstring description = getFileDescription(entry);
      attrs.fileID = id;
      attrs.dstName.clear();
      attrs.description = description;
      attrs.percentPortion = m_uiPercentPortion;
      plan.BeginEntry(attrs, percent);
      if (moveReaderToCorrectOS(entry) == 0) doClearAction(attrs, plan);
    }
    percent += m_uiPercentPortion;
  }
  if (m_pClearPlan == nullptr) own.CarryOut();
  return 0;
}
