// Recording into the bundle summary tree, and the order of file components.
#include "velt/helpers/helperUtil.h"

#include <algorithm>
#include <memory>

#include "velt/model/XMLObject.h"
#include "velt/runtime/CAppLog.h"
#include "velt/runtime/ResultCodes.h"

namespace {

// The section node `section` of a summary tree, or a failure code (logged
// under the calling operation's name).
long FindSummarySection(XMLObject* pXMLSummary, const wchar_t* section,
                        const char* missingText, const char* function,
                        VeltComponent*& found) {
  found = nullptr;
  if (pXMLSummary == nullptr) {
    CAppLog::LogDebugMessage(function, __FILE__, __LINE__, 'E', "pXMLSummary is NULL");
    return VELTENGINE_ERROR_BAD_PARAMETER;
  }
  VeltComponent* root = pXMLSummary->GetRoot();
  if (root == nullptr) {
    CAppLog::LogDebugMessage(function, __FILE__, __LINE__, 'E', "pXMLSummary->GetRoot() is NULL");
    return VELTENGINE_ERROR_NULL_XML_ROOT;
  }
  found = root->FindChild(section);
  if (found == nullptr) {
    CAppLog::LogDebugMessage(function, __FILE__, __LINE__, 'E', "%s", missingText);
    return VELTENGINE_ERROR_NULL_XML_CHILD;
  }
  return 0;
}

// The position of a UTF-32 code point in UTF-16 code-unit order. Code
// points from U+10000 up are written with surrogates (0xD800-0xDFFF), which
// sort below U+E000-U+FFFF; everything else keeps its order.
unsigned long Utf16Order(wchar_t ch) {
  const unsigned long cp = static_cast<unsigned long>(ch);
  return (cp >= 0xE000 && cp <= 0xFFFF) ? cp + 0x200000 : cp;
}

}  // namespace

long helperUtil::fillSummaryNote(XMLObject* pXMLSummary, const std::wstring& note) {
  VeltComponent* notes = nullptr;
  const long rc = FindSummarySection(pXMLSummary, L"Other_Note", "pDCNoteComponent is NULL",
                                     "helperUtil::fillSummaryNote", notes);
  if (rc != 0) return rc;
  notes->AddChild(L" - ", note);
  return 0;
}

long helperUtil::fillSummaryFailedFile(XMLObject* pXMLSummary, const std::wstring& fileId,
                                       const std::wstring& fileName,
                                       const std::wstring& description,
                                       const std::wstring& reason) {
  VeltComponent* failed = nullptr;
  const long rc =
      FindSummarySection(pXMLSummary, L"Manifest_Not_Included", "pDCFailedFiles is NULL",
                         "helperUtil::fillSummaryFailedFile", failed);
  if (rc != 0) return rc;
  auto entry = std::make_unique<VeltComponent>(fileId, fileName);
  entry->AddAttrib(L"description", description);
  entry->AddAttrib(L"reason", reason);
  failed->AddChild(entry.get());  // size 1: always adopted
  entry.release();
  return 0;
}

bool helperUtil::ComponentCompareUsingIDAtt(VeltComponent* a, VeltComponent* b) {
  if (a == nullptr || b == nullptr || a->GetAtt().empty() || b->GetAtt().empty()) return false;
  const Attribute* idA = a->FindAttrib(L"id");
  const Attribute* idB = b->FindAttrib(L"id");
  if (idA == nullptr || idB == nullptr) return false;
  return lessInUtf16Order(idA->getValue(), idB->getValue());
}

bool helperUtil::lessInUtf16Order(const std::wstring& left, const std::wstring& right) {
  return std::lexicographical_compare(
      left.begin(), left.end(), right.begin(), right.end(),
      [](wchar_t l, wchar_t r) { return Utf16Order(l) < Utf16Order(r); });
}
