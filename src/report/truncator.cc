// The truncator's group walk: files are sorted by ID and, within an ID, from
// the largest down; each ID group is then handled by the scheme of its first
// (largest) file.
#include "velt/report/truncator.h"

#include <climits>

#include "velt/helpers/helperUtil.h"
#include "velt/model/XMLObject.h"
#include "velt/platform/PathSeparator.h"
#include "velt/platform/TextEncoding.h"
#include "velt/runtime/CAppLog.h"
#include "velt/runtime/ResultCodes.h"

namespace {

// The group walk's helpers report in the name of the walk.
const char kPerform[] = "truncator::perform";

const wchar_t kNote1[] =
    L"*1: When the request specifies file(whole) truncation for a file ID(group), VELT uses "
    L"greedy algorithm\n         based on file sizes to decide which file in the ID group to "
    L"keep and which to leave out.";

const wchar_t kNote2[] =
    L"*2: When the request specifies data truncation for a file ID(group), VELT truncates all "
    L"files of that ID\n         proportionally according to their original sizes, and uses "
    L"defaults from configuration xml to decide whether to\n         truncate from front or "
    L"end.";

// Order of the walk: by ID in code-unit order, then larger files first.
bool ByIdThenLargerFirst(const truncAttributes& a, const truncAttributes& b) {
  if (a.fileID != b.fileID) return helperUtil::lessInUtf16Order(a.fileID, b.fileID);
  return a.size > b.size;
}

std::wstring FileName(const truncAttributes& file) {
  return helperUtil::getLastPart(file.path, velt::kPathSeparatorString);
}

// The byte count a data truncation keeps: the file's share of the budget,
// the fraction dropped. An empty group (total 0) has nothing to shrink, so
// its files keep their size.
long KeptBytes(const truncAttributes& file, double groupTotal) {
  double kept = groupTotal > 0.0 ? file.truncRatio * file.size / groupTotal : file.size;
  if (!(kept > 0.0)) return 0;  // also NaN and the -1.0 of a vanished file
  if (kept >= static_cast<double>(LONG_MAX)) return LONG_MAX;
  return static_cast<long>(kept);
}

}  // namespace

truncator::truncator(std::list<truncAttributes>& files, XMLObject* pXMLSummary)
    : m_note2(false), m_note1(false), m_TruncAttrsList(files), m_pXMLSummary(pXMLSummary) {}

truncator::~truncator() = default;

long truncator::perform() {
  if (m_TruncAttrsList.empty()) {
    VELT_LOG_MESSAGE('E', "m_TruncAttrsList is empty");
    return VELTENGINE_ERROR_NOT_INITIALIZED;
  }
  // std::list::sort is a stable merge sort: equal sizes keep their order.
  m_TruncAttrsList.sort(ByIdThenLargerFirst);

  auto it = m_TruncAttrsList.begin();
  std::wstring groupID = it->fileID;
  TruncType scheme = it->truncType;
  double total = 0.0;
  std::list<truncAttributes> pending;

  while (it != m_TruncAttrsList.end()) {
    truncAttributes& file = *it;
    if (file.fileID != groupID) {
      closeGroup(scheme, pending, total);
      groupID = file.fileID;
      scheme = file.truncType;
      total = 0.0;
      continue;  // the same record again, now as the head of its group
    }
    switch (scheme) {
      case TRUNC_WHOLE_FILE:
      case TRUNC_NO:
      case TRUNC_DATA:
        if (file.truncType != scheme) {
          dropMismatchedScheme(file);
        } else if (scheme == TRUNC_WHOLE_FILE) {
          walkWholeFile(file, total);
        } else if (scheme == TRUNC_NO) {
          fillSummaryGoodFile(file);
        } else {
          pending.push_back(file);
          total += file.size;
        }
        break;
      default:
        dropLostFile(file);
        break;
    }
    ++it;
  }
  closeGroup(scheme, pending, total);

  if (m_note1) addNote(kNote1);
  if (m_note2) addNote(kNote2);
  return 0;
}

// First fit from the largest file down: a file is kept when it still fits
// the group's budget (equality fits), otherwise deleted and listed as left
// out.
void truncator::walkWholeFile(truncAttributes& file, double& total) {
  m_note1 = true;
  const double budget = file.truncRatio;
  if (budget < total + file.size) {
    helperUtil::fileDelete(file.path);
    helperUtil::fillSummaryFailedFile(
        m_pXMLSummary, file.fileID, FileName(file), file.description,
        L"See note *1; File/whole truncate type specified; total allowed size for this ID is " +
            helperUtil::SizeToStr(budget, 2) + L"; this file is " +
            helperUtil::SizeToStr(file.size, 2));
    return;
  }
  total += file.size;
  file.description += L"; see note *1";
  long rc = fillSummaryGoodFile(file);
  if (rc != 0) VELT_LOG_CODE_AS(kPerform, 'E', "truncator::fillSummaryGoodFile", rc);
}

void truncator::dropMismatchedScheme(const truncAttributes& file) {
  helperUtil::fileDelete(file.path);
  fillSummaryFailedFileInternalErr(file);
  VELT_LOG_MESSAGE_AS(kPerform, 'I',
                      "Two files corresponding to the same fileID have different requested "
                      "truncation scheme");
}

void truncator::dropLostFile(const truncAttributes& file) {
  const std::string path = velt::Narrow(file.path);
  VELT_LOG_MESSAGE_AS(kPerform, 'I', "Lost fileID for file: \"%s\"", path.c_str());
  fillSummaryFailedFileInternalErr(file);
  if (helperUtil::fileDelete(file.path) != 0) {
    const std::wstring note = L"Dead file: " + file.path + L" in bundle.";
    addNote(note);
    VELT_LOG_MESSAGE_AS(kPerform, 'E', "%s", velt::Narrow(note).c_str());
  }
}

void truncator::closeGroup(TruncType scheme, std::list<truncAttributes>& pending, double total) {
  if (scheme != TRUNC_DATA) return;
  long rc = DATATruncateAll(pending, total);
  if (rc != 0) VELT_LOG_CODE_AS(kPerform, 'E', "truncator::DATATruncateAll", rc);
  pending.clear();
}

long truncator::justFillSummary() {
  for (const truncAttributes& file : m_TruncAttrsList) fillSummaryGoodFile(file);
  return 0;
}

long truncator::DATATruncateAll(std::list<truncAttributes>& group, double groupTotal) {
  if (!group.empty()) m_note2 = true;
  for (truncAttributes& file : group) {
    cutFile(file, KeptBytes(file, groupTotal), L"");
    file.description += L"; see Note *2";
    long rc = fillSummaryGoodFile(file);
    if (rc != 0) VELT_LOG_CODE('E', "truncator::fillSummaryGoodFile", rc);
  }
  return 0;
}

void truncator::cutFile(const truncAttributes& file, long kept, const std::wstring& workFile) {
  const bool front = file.appliedTrunc == TRUNC_FRONT;
  if (workFile.empty()) {
    front ? helperUtil::fileTruncateFront(kept, file.path)
          : helperUtil::fileTruncateEnd(kept, file.path);
  } else {
    front ? helperUtil::fileTruncateFront(kept, file.path, workFile)
          : helperUtil::fileTruncateEnd(kept, file.path, workFile);
  }
  if (file.appliedTrunc != TRUNC_END && !front) {
    addNote(L"Warning: the file " + FileName(file) + L" corresponding to ID " + file.fileID +
            L" has WHOLE or NONE as default truncation type, however, requested to be "
            L"DATA-truncated.\n"
            L"\t VELT will truncate end, but there could be possible loss of useful data, "
            L"or corruption of the file.");
  }
}

long truncator::fitToBudget(const std::wstring& workFile, const std::wstring& why) {
  for (truncAttributes& file : m_TruncAttrsList) {
    if (file.truncType == TRUNC_DATA && file.truncRatio < file.size) {
      const double before = file.size;
      cutFile(file, KeptBytes(file, file.size), workFile);
      file.size = helperUtil::getFileSize(file.path);
      addNote(FileName(file) + L" (ID " + file.fileID + L") was cut from " +
              helperUtil::SizeToStr(before, 2) + L" to " + helperUtil::SizeToStr(file.size, 2) +
              L" (" + helperUtil::SizeToStr(before - file.size, 2) + L" left out" +
              (file.appliedTrunc == TRUNC_FRONT ? L", its newest part kept) " : L") ") + why);
    }
    fillSummaryGoodFile(file);
  }
  return 0;
}

long truncator::fillSummaryFailedFileInternalErr(const truncAttributes& file) {
  helperUtil::fillSummaryFailedFile(m_pXMLSummary, file.fileID, FileName(file), file.description,
                                    L"Internal error");
  return 0;
}

long truncator::fillSummaryGoodFile(const truncAttributes& file) {
  if (m_pXMLSummary == nullptr) {
    VELT_LOG_MESSAGE('E', "m_pXMLSummary is uninitialized");
    return VELTENGINE_ERROR_NOT_INITIALIZED;
  }
  VeltComponent* pDCSummaryRoot = m_pXMLSummary->GetRoot();
  if (pDCSummaryRoot == nullptr) {
    VELT_LOG_MESSAGE('E', "pDCSummaryRoot is NULL");
    return VELTENGINE_ERROR_NULL_XML_ROOT;
  }
  VeltComponent* pDCGoodFiles = m_pXMLSummary->FindChild(pDCSummaryRoot, L"Manifest_Included");
  if (pDCGoodFiles == nullptr) {
    VELT_LOG_MESSAGE('E', "pDCGoodFiles is NULL");
    return VELTENGINE_ERROR_NULL_XML_CHILD;
  }
  VeltComponent* entry = new VeltComponent(file.fileID, FileName(file));
  entry->AddAttrib(L"description", file.description);
  entry->AddAttrib(L"file_size", helperUtil::SizeToStr(file.size, 2));
  m_pXMLSummary->AddChild(pDCGoodFiles, entry);
  return 0;
}

void truncator::addNote(const std::wstring& note) {
  helperUtil::fillSummaryNote(m_pXMLSummary, note);
}
