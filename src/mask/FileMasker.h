// Masks one file in place, in bounded memory: the file is read block by
// block and masked a window of whole lines at a time, with kLookahead bytes
// of the lines after the window in view (a match that begins in the window
// may span lines: a continued command line, a value on its own line
// between tags); a line longer than
// kMaxPiece is masked in pieces that overlap by kOverlap bytes, so a match
// up to that long is never cut. The masked copy is begun only at the first
// change (the unchanged start is copied then), so unchanged files are only
// read.
#pragma once

#include <string>

#include "mask/TextMasker.h"

namespace velt {
namespace platform {
class File;
}

namespace mask {

constexpr size_t kReadBlock = 256 * 1024;
constexpr size_t kMaxPiece = 1024 * 1024;
constexpr size_t kOverlap = 4 * 1024;
constexpr size_t kLookahead = 4 * 1024;

class FileMasker {
 public:
  explicit FileMasker(TextMasker& masker) : m_masker(masker) {}

  enum class Outcome { kUnchanged, kMasked, kBinary };

  // Masks the file at `path`, opened as `source` and not read yet. 0 or a
  // result code, logged with the path; after a failure the file is as it was.
  long Run(const std::string& path, platform::File& source, KindCounts& counts,
           Outcome& outcome);

 private:
  TextMasker& m_masker;
  std::string m_data;
  std::string m_masked;
};

}  // namespace mask
}  // namespace velt
