// Finds the tokens of TokenShapes in text without running their patterns
// over it: one automaton of all their fixed texts finds the places where a
// token may stand, and only there the patterns of the shapes whose fixed
// text is there are tried, anchored. A token is taken whole: from its first
// character (which must not continue a word) to the end of its alphabet.
#pragma once

#include <re2/re2.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "mask/MaskSpan.h"

namespace velt {
namespace mask {

class TokenScanner {
 public:
  TokenScanner();
  TokenScanner(const TokenScanner&) = delete;
  TokenScanner& operator=(const TokenScanner&) = delete;

  // False when a pattern did not compile (logged).
  bool ok() const { return m_ok; }

  // One pattern that matches wherever a token may stand (for a set of rules
  // to tell whether a text needs the scan at all).
  const std::string& LeadPattern() const { return m_leadPattern; }

  // Adds a counted span for every token that begins in text[begin, end).
  void Find(const re2::StringPiece& text, size_t begin, size_t end,
            std::vector<MaskSpan>& spans) const;

 private:
  struct Shape {
    MaskKind kind;
    size_t lookback;
    std::unique_ptr<RE2> regex;
  };
  struct Literal {
    std::string text;
    size_t shape;
  };

  std::vector<Shape> m_shapes;
  std::array<std::vector<Literal>, 256> m_byFirstByte;  // the literals, by their first byte
  size_t m_maxLookback = 0;
  std::string m_leadPattern;
  std::unique_ptr<RE2> m_lead;
  bool m_ok = true;
};

}  // namespace mask
}  // namespace velt
