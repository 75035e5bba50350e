#include "mask/LineBlocks.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace velt {
namespace mask {

namespace {

// An element longer than this is not a secret's value: its block ends.
constexpr size_t kMaxElementLines = 256;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

bool IsBase64Byte(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '/';
}

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
  return std::all_of(line.begin(), line.end(), [](char c) { return IsBase64Byte(c) || c == '='; });
}

// What a Secret's data holds: base64 with its padding, 8 characters or more
// (or padded), so that short words and numbers of other maps stay.
bool LooksBase64(const re2::StringPiece& value) {
  size_t size = value.size();
  size_t padding = 0;
  while (padding < 2 && padding < size && value[size - 1 - padding] == '=') {
    ++padding;
  }
  return size >= 4 && size % 4 == 0 && (size >= 8 || padding > 0) &&
         std::all_of(value.begin(), value.end() - padding, IsBase64Byte);
}

}  // namespace

void LineBlocks::Add(size_t from, size_t to, const re2::StringPiece& text,
                     std::vector<MaskSpan>& spans) {
  while (from < to && IsBlank(text[from])) {
    ++from;
  }
  while (to > from && IsBlank(text[to - 1])) {
    --to;
  }
  if (from < to) {
    bool perValue = m_type == BlockType::kData || m_type == BlockType::kStringData;
    spans.push_back(MaskSpan{from, to, m_kind, perValue || !m_counted, std::string()});
    m_counted = true;
  }
}

bool LineBlocks::ContentLine(const re2::StringPiece& text, size_t line, size_t lineEnd,
                             std::vector<MaskSpan>& spans) {
  size_t first = line;
  while (first < lineEnd && IsBlank(text[first])) {
    ++first;
  }
  if (m_type == BlockType::kElement) {
    const void* tag = std::memchr(text.data() + line, '<', lineEnd - line);
    size_t stop = tag ? static_cast<const char*>(tag) - text.data() : lineEnd;
    Add(first, stop, text, spans);
    return tag == nullptr && ++m_lines < kMaxElementLines;
  }
  // A data map.
  if (first == lineEnd || text[first] == '#') {
    return true;
  }
  if (m_json ? text[first] == '}' : first - line <= m_indent) {
    return false;
  }
  // The value: after the name's colon ("name: value", "\"name\": \"value\","),
  // or the whole line when it has no name (a continued value).
  size_t value = first;
  if (m_json && text[first] == '"') {
    size_t close = first + 1;
    while (close < lineEnd && text[close] != '"') {
      close += text[close] == '\\' ? 2 : 1;
    }
    value = std::min(close + 1, lineEnd);
    while (value < lineEnd && (IsBlank(text[value]) || text[value] == ':')) {
      ++value;
    }
  } else if (!m_json) {
    for (size_t at = first; at < lineEnd; ++at) {
      if (text[at] == ':' && (at + 1 == lineEnd || IsBlank(text[at + 1]))) {
        value = at + 1;
        break;
      }
    }
  }
  size_t stop = lineEnd;
  while (stop > value && (IsBlank(text[stop - 1]) || (m_json && text[stop - 1] == ','))) {
    --stop;
  }
  while (value < stop && IsBlank(text[value])) {
    ++value;
  }
  if (stop - value >= 2 && (text[value] == '"' || text[value] == '\'') &&
      text[stop - 1] == text[value]) {
    ++value;
    --stop;
  }
  re2::StringPiece content(text.data() + value, stop - value);
  bool blockScalar = !content.empty() && (content[0] == '|' || content[0] == '>');
  if (!blockScalar && (m_type == BlockType::kStringData || LooksBase64(content))) {
    Add(value, stop, text, spans);
  }
  return true;
}

void LineBlocks::Mask(const re2::StringPiece& text, size_t begin, size_t end,
                      std::vector<BlockMarker>& markers, std::vector<MaskSpan>& spans) {
  std::sort(markers.begin(), markers.end(),
            [](const BlockMarker& a, const BlockMarker& b) { return a.start < b.start; });
  // The first marker of the wanted type starting in [from, to), or null.
  auto next = [&markers](bool begin, size_t from, size_t to) -> const BlockMarker* {
    for (const BlockMarker& marker : markers) {
      if (marker.begin == begin && marker.start >= from && marker.start < to) {
        return &marker;
      }
    }
    return nullptr;
  };
  size_t line = begin;
  while (line < end) {
    if (!m_inside) {
      const BlockMarker* first = next(true, line, end);
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
    if (m_inside && m_type == BlockType::kKey) {
      if (const BlockMarker* last = next(false, line, lineEnd)) {
        Add(line, last->start, text, spans);
        m_inside = false;
        position = last->end;
      } else if (CanBeKeyLine(text, line, lineEnd)) {
        Add(line, lineEnd, text, spans);
        position = lineEnd;
      } else {
        m_inside = false;
      }
    } else if (m_inside) {
      m_inside = ContentLine(text, line, lineEnd, spans);
      position = m_inside ? lineEnd : line;
    }
    while (!m_inside) {
      const BlockMarker* opening = next(true, position, lineEnd);
      if (opening == nullptr) {
        break;
      }
      m_inside = true;
      m_counted = false;
      m_type = opening->type;
      m_kind = opening->kind;
      m_lines = 0;
      m_indent = 0;
      while (m_indent < opening->end - opening->start && IsBlank(text[opening->start + m_indent])) {
        ++m_indent;
      }
      m_json = std::memchr(text.data() + opening->start, '{', opening->end - opening->start);
      position = opening->end;
      if (m_type != BlockType::kKey) {
        break;  // its marker ends the line
      }
      if (const BlockMarker* closing = next(false, position, lineEnd)) {
        Add(position, closing->start, text, spans);
        m_inside = false;
        position = closing->end;
      } else {
        Add(position, lineEnd, text, spans);
      }
    }
    line = lineEnd + 1;
  }
}

}  // namespace mask
}  // namespace velt
