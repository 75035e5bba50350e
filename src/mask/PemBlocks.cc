#include "mask/PemBlocks.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace velt {
namespace mask {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// Base64 (white space at the end aside), blank, or one of the headers of encrypted PEM and armored
// PGP keys ("Proc-Type: 4,ENCRYPTED").
bool CanBeKeyLine(const re2::StringPiece& text, size_t begin, size_t end) {
  static const char* const kHeaders[] = {
      "Proc-Type:", "DEK-Info:", "Version:", "Comment:", "Hash:", "Charset:"};
  re2::StringPiece line(text.data() + begin, end - begin);
  if (std::any_of(std::begin(kHeaders), std::end(kHeaders),
                  [&line](const char* header) { return line.starts_with(header); })) {
    return true;
  }
  while (!line.empty() && IsBlank(line[line.size() - 1])) {
    line.remove_suffix(1);
  }
  return std::all_of(line.begin(), line.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '/' || c == '=';
  });
}

}  // namespace

unsigned PemBlocks::Mask(const re2::StringPiece& text, size_t begin, size_t end,
                         std::vector<PemMarker>& markers, std::vector<MaskSpan>& spans) {
  std::sort(markers.begin(), markers.end(),
            [](const PemMarker& a, const PemMarker& b) { return a.start < b.start; });
  // The first marker of the wanted type starting in [from, to), or null.
  auto next = [&markers](bool begin, size_t from, size_t to) -> const PemMarker* {
    for (const PemMarker& marker : markers) {
      if (marker.begin == begin && marker.start >= from && marker.start < to) {
        return &marker;
      }
    }
    return nullptr;
  };
  unsigned blocks = 0;
  // Adds [from, to) without its blanks; a block counts once something of it is masked.
  auto mask = [&](size_t from, size_t to) {
    while (from < to && IsBlank(text[from])) {
      ++from;
    }
    while (to > from && IsBlank(text[to - 1])) {
      --to;
    }
    if (from < to) {
      spans.push_back(MaskSpan{from, to, MaskKind::kPrivateKey, false, std::string()});
      blocks += m_counted ? 0 : 1;
      m_counted = true;
    }
  };
  size_t line = begin;
  while (line < end) {
    if (!m_inside) {
      const PemMarker* first = next(true, line, end);
      if (first == nullptr) {
        break;
      }
      const void* newline = std::memchr(text.data() + line, '\n', first->start - line);
      while (newline != nullptr) {
        line = static_cast<const char*>(newline) - text.data() + 1;
        newline = std::memchr(text.data() + line, '\n', first->start - line);
      }
    }
    const void* found = std::memchr(text.data() + line, '\n', end - line);
    size_t lineEnd = found ? static_cast<const char*>(found) - text.data() : end;
    size_t position = line;
    if (m_inside) {
      if (const PemMarker* last = next(false, line, lineEnd)) {
        mask(line, last->start);
        m_inside = false;
        position = last->end;
      } else if (CanBeKeyLine(text, line, lineEnd)) {
        mask(line, lineEnd);
        position = lineEnd;
      } else {
        m_inside = false;
      }
    }
    while (!m_inside) {
      const PemMarker* opening = next(true, position, lineEnd);
      if (opening == nullptr) {
        break;
      }
      m_inside = true;
      m_counted = false;
      position = opening->end;
      if (const PemMarker* closing = next(false, position, lineEnd)) {
        mask(position, closing->start);
        m_inside = false;
        position = closing->end;
      } else {
        mask(position, lineEnd);
      }
    }
    line = lineEnd + 1;
  }
  return blocks;
}

}  // namespace mask
}  // namespace velt
