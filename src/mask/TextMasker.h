// Masks text window by window. The rule set first tells which rules match in
// a window at all (one pass); only those rules then search it (the token
// scanner for the token shapes), each match is checked and turned into
// spans, overlapping spans are merged (a secret wins over a pseudonym), and
// the window is written out with the spans replaced.
#pragma once

#include <re2/re2.h>

#include <array>
#include <string>
#include <vector>

#include "mask/MaskKind.h"
#include "mask/MaskRules.h"
#include "mask/MaskSpan.h"
#include "mask/LineBlocks.h"

namespace velt {
namespace mask {

class Pseudonyms;

using KindCounts = std::array<unsigned long long, kMaskKindCount>;

class TextMasker {
 public:
  // `pseudonyms` may be null when no rule needs them.
  TextMasker(const MaskRules& rules, Pseudonyms* pseudonyms);

  // Starts a new file; `userPassFile`: the file is one of IsUserPassFile,
  // whose second line is masked.
  void Reset(bool userPassFile) {
    m_blocks.Reset();
    m_userPassFile = userPassFile;
  }

  struct Result {
    size_t consumed;  // input position up to which the call answered
    bool changed;     // `out` holds the masked text of [begin, consumed)
  };
  // Masks matches that start in text[begin, end). Before `begin`, `text` may
  // hold text already written (what anchors and boundaries look at); after
  // `end`, more of an unfinished long line (where a match that starts before
  // `end` may run on). `consumed` is `end`, or the end of a replacement that
  // runs past it. Without a change `out` is left alone. `counts` gains what
  // was replaced.
  Result Mask(const re2::StringPiece& text, size_t begin, size_t end, std::string& out,
              KindCounts& counts);

 private:
  void Search(const MaskRule& rule, const re2::StringPiece& text, size_t begin, size_t end);
  // Turns the match in m_groups into spans; may move `next`, where the
  // search goes on.
  void Accept(const MaskRule& rule, const re2::StringPiece& text, size_t begin, size_t& next);
  void AddReplacement(const MaskRule& rule, const re2::StringPiece& text, size_t begin, size_t end);
  void Merge(KindCounts& counts);

  const MaskRules& m_rules;
  Pseudonyms* m_pseudonyms;
  LineBlocks m_blocks;
  bool m_userPassFile = false;
  // Work areas, kept between calls to spare allocations.
  std::vector<int> m_candidates;
  std::vector<re2::StringPiece> m_groups;
  std::vector<MaskSpan> m_secrets;
  std::vector<MaskSpan> m_hosts;
  std::vector<MaskSpan> m_spans;
  std::vector<BlockMarker> m_markers;
  std::string m_pseudonym;
};

}  // namespace mask
}  // namespace velt
