#include "mask/TokenScanner.h"

#include <algorithm>
#include <cctype>

#include "mask/TokenShapes.h"
#include "velt/runtime/CAppLog.h"

namespace velt {
namespace mask {

namespace {

bool IsWordByte(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }

bool IsTokenByte(char c) { return IsWordByte(c) || c == '_' || c == '-'; }

// A run of token bytes this long is not tried again by a shape that failed
// at its start.
constexpr size_t kLongRun = 64;

RE2::Options Options() {
  RE2::Options options;
  options.set_max_mem(2 << 20);
  options.set_log_errors(false);
  return options;
}

}  // namespace

TokenScanner::TokenScanner() {
  size_t count = 0;
  const TokenShape* shapes = TokenShapes(count);
  for (size_t index = 0; index < count; ++index) {
    const TokenShape& shape = shapes[index];
    std::unique_ptr<RE2> regex(new RE2(shape.pattern, Options()));
    if (!regex->ok()) {
      VELT_LOG_MESSAGE('E', "Token pattern %s does not compile: %s", shape.pattern,
                       regex->error().c_str());
      m_ok = false;
      continue;
    }
    m_shapes.push_back(Shape{shape.kind, shape.lookback, std::move(regex)});
    m_maxLookback = std::max(m_maxLookback, shape.lookback);
    std::string literals = shape.literals;
    for (size_t from = 0; from <= literals.size();) {
      size_t bar = literals.find('|', from);
      std::string literal = literals.substr(from, bar == std::string::npos ? bar : bar - from);
      m_leadPattern += (m_leadPattern.empty() ? "" : "|") + RE2::QuoteMeta(literal);
      m_byFirstByte[static_cast<unsigned char>(literal[0])].push_back(
          Literal{literal, m_shapes.size() - 1});
      from = bar == std::string::npos ? literals.size() + 1 : bar + 1;
    }
  }
  m_lead.reset(new RE2(m_leadPattern, Options()));
  m_ok = m_ok && m_lead->ok();
}

void TokenScanner::Find(const re2::StringPiece& text, size_t begin, size_t end,
                        std::vector<MaskSpan>& spans) const {
  re2::StringPiece groups[2];
  re2::StringPiece found;
  size_t position = begin;
  size_t taken = begin;  // where the last token ended: tokens do not overlap
  // Where a shape that failed at the start of a long run of token bytes is
  // not tried again: a match from later in the run scans the same bytes,
  // and text made of a fixed text over and over ("-eyJ-eyJ...") would take
  // time in the square of its length.
  std::vector<size_t> failedUntil(m_shapes.size(), 0);
  // Candidates may begin before `begin` by their lookback, so the search
  // starts there and drops what lies before.
  while (position < end &&
         m_lead->Match(text, position, text.size(), RE2::UNANCHORED, &found, 1)) {
    size_t at = found.data() - text.data();
    if (at >= end + m_maxLookback) {
      break;
    }
    size_t bestStart = 0;
    size_t bestEnd = 0;
    MaskKind bestKind = MaskKind::kSetting;
    for (const Literal& literal : m_byFirstByte[static_cast<unsigned char>(text[at])]) {
      const Shape& shape = m_shapes[literal.shape];
      if (text.size() - at < literal.text.size() ||
          text.substr(at, literal.text.size()) != literal.text || at < shape.lookback) {
        continue;
      }
      size_t start = at - shape.lookback;
      if (start < taken || start >= end || start < failedUntil[literal.shape] ||
          (start > 0 && IsWordByte(text[start]) && IsWordByte(text[start - 1]))) {
        continue;
      }
      int groupCount = shape.regex->NumberOfCapturingGroups() > 0 ? 2 : 1;
      if (!shape.regex->Match(text, start, text.size(), RE2::ANCHOR_START, groups, groupCount)) {
        size_t run = at + literal.text.size();
        while (run < text.size() && IsTokenByte(text[run])) {
          ++run;
        }
        if (run - start > kLongRun) {
          failedUntil[literal.shape] = run;
        }
        continue;
      }
      const re2::StringPiece& masked = groups[groupCount - 1];
      size_t from = masked.data() - text.data();
      size_t to = from + masked.size();
      while (to < text.size() && IsTokenByte(text[to])) {
        ++to;
      }
      if (to - from > bestEnd - bestStart) {
        bestStart = from;
        bestEnd = to;
        bestKind = shape.kind;
      }
    }
    if (bestEnd > bestStart) {
      spans.push_back(MaskSpan{bestStart, bestEnd, bestKind, true, std::string()});
      taken = bestEnd;
      position = bestEnd;
    } else {
      position = at + 1;
    }
  }
}

}  // namespace mask
}  // namespace velt
