// What the masker did, file by file, for the bundle summary.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "mask/TextMasker.h"

namespace velt {
namespace mask {

class MaskTally {
 public:
  // A file that was read through; `counts` is what was replaced in it.
  void AddScanned(const std::wstring& shownName, const KindCounts& counts);
  // A file left as it is, and why ("binary file", "could not be masked").
  void AddNotScanned(const std::wstring& shownName, const std::wstring& reason);

  // The note's lines: what masking did in general, the totals, the count
  // per file that had something replaced, and the files not scanned. Empty
  // when no file came by.
  std::vector<std::wstring> Note(bool secrets, bool hosts) const;

 private:
  size_t m_scanned = 0;
  KindCounts m_totals{};
  std::vector<std::pair<std::wstring, KindCounts>> m_files;
  std::vector<std::pair<std::wstring, std::wstring>> m_notScanned;
};

}  // namespace mask
}  // namespace velt
