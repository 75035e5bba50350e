// The summary tree of one configuration, its main information, the comments
// file, and the appending of the configuration's block to summary.txt.
#include <algorithm>
#include <cwctype>
#include <vector>

#include "actions/CollectControls.h"
#include "actions/CollectPlan.h"
#include "helpers/SummaryTree.h"
#include "platform/FileSystem.h"
#include "report/BundleBudget.h"
#include "report/SummaryWriter.h"
#include "velt/actions/ActionAttributes.h"
#include "velt/helpers/helperUtil.h"
#include "velt/model/XMLObject.h"
#include "velt/platform/PathSeparator.h"
#include "velt/platform/TextEncoding.h"
#include "velt/report/collector.h"
#include "velt/report/truncator.h"
#include "velt/runtime/CAppLog.h"
#include "velt/runtime/ResultCodes.h"

namespace {

// Removes "<folder>/.." steps from a path by its text, as Windows resolves
// them, so that the report files' paths do not depend on the folder named
// before the step existing.
std::wstring CollapseParentSteps(const std::wstring& path) {
  const wchar_t sep = velt::kPathSeparator;
  std::vector<std::wstring> parts;
  size_t start = 0;
  while (true) {
    size_t end = path.find(sep, start);
    std::wstring part = path.substr(start, end == std::wstring::npos ? end : end - start);
    if (part == L".." && !parts.empty() && !parts.back().empty() && parts.back() != L"..") {
      parts.pop_back();
    } else {
      parts.push_back(part);
    }
    if (end == std::wstring::npos) break;
    start = end + 1;
  }
  std::wstring out;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) out += sep;
    out += parts[i];
  }
  // "/x/.." leaves only the root's empty part.
  if (out.empty() && !path.empty() && path[0] == sep) out = velt::kPathSeparatorString;
  return out;
}

// Names compared as a case-insensitive file system (where the bundle is
// usually unpacked) compares them.
bool SameFileName(const std::wstring& a, const std::wstring& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](wchar_t x, wchar_t y) { return std::towlower(x) == std::towlower(y); });
}

}  // namespace

std::wstring collector::reportFilePath(const std::wstring& destFolder,
                                       const std::wstring& name) const {
  const std::wstring sep = velt::kPathSeparatorString;
  return CollapseParentSteps(helperUtil::translatePath(destFolder + sep + L".." + sep + name));
}

bool collector::IsReportFileName(const std::wstring& name) {
  return SameFileName(name, L"summary.txt") || SameFileName(name, L"comments.txt");
}

std::wstring collector::reportFileName(const std::wstring& requested, const std::wstring& fallback,
                                       const std::wstring& what, const std::wstring& other) {
  if (requested.empty()) return fallback;
  std::wstring why;
  if (!helperUtil::isPlainFileName(requested)) {
    why = L"it is not a plain file name";
  } else if (SameFileName(requested, other) ||
             std::any_of(m_reservedNames.begin(), m_reservedNames.end(),
                         [&](const std::wstring& taken) { return SameFileName(requested, taken); })) {
    why = L"another entry of the bundle has that name";
  } else {
    return requested;
  }
  helperUtil::fillSummaryNote(m_pXMLSummary, L"The name \"" + requested + L"\" requested for the " +
                                                 what + L" file is not used (" + why + L"); it is " +
                                                 fallback + L".");
  VELT_LOG_MESSAGE('W', "the %s file name \"%s\" from the request is not used: %s",
                   velt::Narrow(what).c_str(), velt::Narrow(requested).c_str(),
                   velt::Narrow(why).c_str());
  return fallback;
}

long collector::initializeSummary() {
  delete m_pXMLSummary;
  m_pXMLSummary = velt::NewSummaryTree().release();
  if (m_pXMLSummary->GetRoot() == nullptr) {
    VELT_LOG_MESSAGE('E', "m_pXMLSummary->GetRoot() is NULL");
    return VELTENGINE_ERROR_NULL_XML_ROOT;
  }
  return 0;
}

long collector::fillInSummaryMainInfo() {
  VeltComponent* root = m_pXMLSummary != nullptr ? m_pXMLSummary->GetRoot() : nullptr;
  if (root == nullptr) {
    VELT_LOG_MESSAGE('E', "m_pXMLSummary->GetRoot() is NULL");
    return VELTENGINE_ERROR_NULL_XML_ROOT;
  }
  VeltComponent* pDCMainInfo = m_pXMLSummary->FindChild(root, L"Main_Info");
  if (pDCMainInfo == nullptr) {
    VELT_LOG_MESSAGE('E', "pDCMainInfo is NULL");
    return VELTENGINE_ERROR_NULL_XML_CHILD;
  }
  m_pXMLSummary->AddChild(pDCMainInfo, L"Time:",
                          helperUtil::getCurrentTime(TIME_REPRESENTATION_LOCALE));
  m_pXMLSummary->AddChild(pDCMainInfo, L"OS:", helperUtil::getOSVersion());
  m_pXMLSummary->AddChild(pDCMainInfo, L"User Name:", helperUtil::getOSUserName());
  m_pXMLSummary->AddChild(pDCMainInfo, L"Bundle on client computer:",
                          helperUtil::fillInCWD(m_bundlePath));
  if (!m_caseId.empty()) m_pXMLSummary->AddChild(pDCMainInfo, L"Case ID:", m_caseId);
  return 0;
}

std::string collector::getComment() {
  VeltComponent* root = m_pXMLRequest != nullptr ? m_pXMLRequest->GetRoot() : nullptr;
  if (root == nullptr) return velt::Narrow(m_defaultComment);
  VeltComponent* comments = m_pXMLRequest->FindChild(root, L"comments");
  return comments != nullptr ? velt::Narrow(comments->GetVal()) : std::string();
}

long collector::writeComments(VeltComponent* pDCComments, const std::wstring& destFolder) {
  const std::wstring text = velt::Widen(getComment());
  if (text.empty()) return 0;

  VeltComponent* nameNode = pDCComments != nullptr ? pDCComments->FindChild(L"name") : nullptr;
  const std::wstring summaryName =
      m_summaryPath.empty() ? L"summary.txt"
                            : helperUtil::getLastPart(m_summaryPath, velt::kPathSeparatorString);
  const std::wstring name = reportFileName(nameNode != nullptr ? nameNode->GetVal() : L"",
                                           L"comments.txt", L"comments", summaryName);
  const std::wstring path = reportFilePath(destFolder, name);

  velt::report::SummaryWriter out;
  bool written = out.Open(path, velt::report::SummaryWriter::Mode::Truncate);
  if (written) {
    out.Write(L"Comments from Orvalink user:\n" + text);
    written = out.Close();
  }
  if (!written) {
    const std::wstring reason = L"Internal error: can't write comments at " + path;
    helperUtil::fillSummaryFailedFile(m_pXMLSummary, L"comments", name, L"", reason);
    VELT_LOG_MESSAGE('E', "%s", velt::Narrow(reason).c_str());
    return VELTENGINE_ERROR_FILE_OPEN_FAILURE;
  }

  truncAttributes record;
  record.fileID = L"comments";
  record.path = path;
  record.description = L"Orvalink user comments";
  record.size = helperUtil::getFileSize(path);
  record.truncType = TRUNC_NO;
  record.truncRatio = 0.0;
  record.appliedTrunc = TRUNC_DATA;
  m_TruncAttrsList.push_back(record);
  return 0;
}

long collector::writeSummary(const std::wstring& destFolder, XMLObject* pXMLObjectConfig) {
  filterFiles();
  if (m_summaryPath.empty()) m_summaryPath = reportFilePath(destFolder, L"summary.txt");
  if (m_budget != 0) {
    // Held back: which files the budget cuts is known only once every
    // configuration has collected.
    m_held.push_back(HeldBlock{pXMLObjectConfig, m_pXMLSummary, std::move(m_TruncAttrsList)});
    m_pXMLSummary = nullptr;
    m_TruncAttrsList.clear();
    return 0;
  }
  return listAndPrint(pXMLObjectConfig);
}

void collector::filterFiles() {
  if (!m_fileFilter) return;
  // The summary lists the files as they go into the bundle.
  for (auto file = m_TruncAttrsList.begin(); file != m_TruncAttrsList.end();) {
    const std::wstring refused =
        m_filtered.insert(file->path).second ? m_fileFilter(file->path) : std::wstring();
    if (!refused.empty()) {
      helperUtil::fileDelete(file->path);
      helperUtil::fillSummaryFailedFile(
          m_pXMLSummary, file->fileID,
          helperUtil::getLastPart(file->path, velt::kPathSeparatorString), file->description,
          refused);
      file = m_TruncAttrsList.erase(file);
      continue;
    }
    file->size = helperUtil::getFileSize(file->path);
    ++file;
  }
}

long collector::listAndPrint(XMLObject* pXMLObjectConfig) {
  truncator listing(m_TruncAttrsList, m_pXMLSummary);
  if (m_budget != 0) {
    listing.fitToBudget(m_budgetWorkFile, L"to keep the bundle within its size budget of " +
                                              helperUtil::SizeToStr(static_cast<double>(m_budget),
                                                                    2) +
                                              L".");
  } else {
    listing.justFillSummary();
  }

  if (m_firstSummary) {
    long rc = fillInSummaryMainInfo();
    if (rc != 0) {
      VELT_LOG_CODE('E', "collector::fillInSummaryMainInfo", rc);
      return rc;
    }
  }
  long rc = printSummary(pXMLObjectConfig);
  if (rc != 0) {
    VELT_LOG_CODE('E', "collector::printSummary", rc);
    return rc;
  }
  if (m_summaryObserver) m_summaryObserver(*pXMLObjectConfig, *m_pXMLSummary, m_TruncAttrsList);
  m_TruncAttrsList.clear();
  return 0;
}

void collector::setBudget(uint64_t bytes, const std::wstring& workFile) {
  m_budget = bytes;
  m_budgetWorkFile = workFile;
}

long collector::FinishBudget(unsigned& cut, double& dropped) {
  cut = 0;
  dropped = 0.0;
  std::vector<uint64_t> sizes;
  std::vector<bool> cuttable;
  for (const HeldBlock& block : m_held) {
    for (const truncAttributes& file : block.files) {
      velt::platform::FileDetails details;
      const bool regular =
          velt::platform::GetFileDetails(velt::Narrow(file.path), false, details) == 0 &&
          details.isRegular;
      sizes.push_back(file.size > 0.0 ? static_cast<uint64_t>(file.size) : 0);
      // The user's comment is never cut, nor a copied folder.
      cuttable.push_back(regular && file.fileID != L"comments");
    }
  }
  const std::vector<uint64_t> kept = velt::report::KeptSizes(sizes, cuttable, m_budget);
  size_t i = 0;
  for (HeldBlock& block : m_held) {
    for (truncAttributes& file : block.files) {
      if (kept[i] < sizes[i]) {
        file.truncType = TRUNC_DATA;
        file.truncRatio = static_cast<double>(kept[i]);
        file.appliedTrunc = TRUNC_FRONT;
        ++cut;
        dropped += static_cast<double>(sizes[i] - kept[i]);
      }
      ++i;
    }
  }
  // Printed as Collect would have printed them: the first block with the
  // heading and the main information.
  long result = 0;
  m_firstSummary = true;
  for (HeldBlock& block : m_held) {
    delete m_pXMLSummary;
    m_pXMLSummary = block.summary;
    block.summary = nullptr;
    m_TruncAttrsList = std::move(block.files);
    const long rc = listAndPrint(block.config);
    if (rc == 0) {
      m_firstSummary = false;
    } else if (result == 0) {
      result = rc;
    }
  }
  delete m_pXMLSummary;
  m_pXMLSummary = nullptr;
  m_TruncAttrsList.clear();
  m_held.clear();
  m_firstSummary = false;
  return result;
}

void collector::recordRemarks() {
  VeltComponent* root = m_pXMLSummary != nullptr ? m_pXMLSummary->GetRoot() : nullptr;
  if (root == nullptr) return;
  velt::CollectPlan& plan = *m_pControls->plan;
  if (VeltComponent* omitted = m_pXMLSummary->FindChild(root, L"Manifest_Not_Included")) {
    for (VeltComponent* file : omitted->GetChildren()) {
      const Attribute* reason = file->FindAttrib(L"reason");
      plan.AddRemark(file->GetType(), (file->GetVal() == L"N/A" ? L"" : file->GetVal() + L": ") +
                                          (reason != nullptr ? reason->getValue() : L""));
    }
  }
  if (VeltComponent* notes = m_pXMLSummary->FindChild(root, L"Other_Note")) {
    for (VeltComponent* note : notes->GetChildren()) plan.AddRemark(L"", note->GetVal());
  }
}
