#include "mask/MaskTally.h"

#include "velt/mask/BundleMasker.h"
#include "velt/platform/TextEncoding.h"

namespace velt {
namespace mask {

namespace {

std::wstring Counts(const KindCounts& counts) {
  std::wstring text;
  for (size_t kind = 0; kind < kMaskKindCount; ++kind) {
    if (counts[kind] > 0) {
      text += (text.empty() ? L"" : L", ") + CountText(static_cast<MaskKind>(kind), counts[kind]);
    }
  }
  return text.empty() ? L"nothing" : text;
}

}  // namespace

void MaskTally::AddScanned(const std::wstring& shownName, const KindCounts& counts) {
  ++m_scanned;
  bool any = false;
  for (size_t kind = 0; kind < kMaskKindCount; ++kind) {
    m_totals[kind] += counts[kind];
    any = any || counts[kind] > 0;
  }
  if (any) {
    m_files.emplace_back(shownName, counts);
  }
}

void MaskTally::AddNotScanned(const std::wstring& shownName, const std::wstring& reason) {
  m_notScanned.emplace_back(shownName, reason);
}

std::vector<std::wstring> MaskTally::Note(bool secrets, bool hosts) const {
  std::vector<std::wstring> lines;
  if (m_scanned == 0 && m_notScanned.empty()) {
    return lines;
  }
  std::wstring secretsText = secrets ? L"passwords, keys, tokens and cookies were replaced by \"" +
                                           Widen(BundleMasker::kMarker) + L"\""
                                     : L"passwords, keys, tokens and cookies were not masked";
  std::wstring hostsText = hosts ? L"host names and addresses were replaced by pseudonyms that "
                                   L"are the same in every file (the sender keeps the mapping)"
                                 : L"host names and addresses were not masked";
  lines.push_back(L"Masking: " + secretsText + L"; " + hostsText + L".");
  lines.push_back(L"Masked in " + std::to_wstring(m_scanned) +
                  (m_scanned == 1 ? L" scanned file: " : L" scanned files: ") + Counts(m_totals));
  for (const auto& file : m_files) {
    lines.push_back(L"Masked in " + file.first + L": " + Counts(file.second));
  }
  for (const auto& file : m_notScanned) {
    lines.push_back(L"Not scanned (" + file.second + L"): " + file.first);
  }
  return lines;
}

}  // namespace mask
}  // namespace velt
