#include "zip/EntryName.h"

#include <cstdint>

namespace velt {
namespace zip {

namespace {

// Length of the valid UTF-8 sequence at `at` (shortest form, no
// surrogates, at most U+10FFFF) and its code point; 0 when invalid.
size_t DecodeUtf8(const std::string& text, size_t at, uint32_t& codePoint) {
  unsigned char lead = static_cast<unsigned char>(text[at]);
  size_t length = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3
                                  : (lead & 0xF8) == 0xF0 ? 4 : 0;
  static const uint32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
  if (length == 0 || at + length > text.size()) {
    return 0;
  }
  codePoint = length == 1 ? lead : lead & (0x7F >> length);
  for (size_t i = 1; i < length; ++i) {
    unsigned char next = static_cast<unsigned char>(text[at + i]);
    if ((next & 0xC0) != 0x80) {
      return 0;
    }
    codePoint = (codePoint << 6) | (next & 0x3F);
  }
  bool valid = codePoint >= kMinimum[length] && codePoint <= 0x10FFFF &&
               !(codePoint >= 0xD800 && codePoint <= 0xDFFF);
  return valid ? length : 0;
}

bool IsControl(uint32_t codePoint) {
  return codePoint < 0x20 || (codePoint >= 0x7F && codePoint <= 0x9F);
}

std::string SafePart(const std::string& part) {
  std::string safe;
  for (size_t at = 0; at < part.size();) {
    uint32_t codePoint = 0;
    size_t length = DecodeUtf8(part, at, codePoint);
    if (length == 0 || IsControl(codePoint) || codePoint == '\\') {
      safe += '_';
      at += length == 0 ? 1 : length;
    } else {
      safe.append(part, at, length);
      at += length;
    }
  }
  return safe;
}

}  // namespace

std::string SafeEntryName(const std::string& relativePath) {
  std::string name;
  size_t start = 0;
  while (start <= relativePath.size()) {
    size_t end = relativePath.find('/', start);
    if (end == std::string::npos) {
      end = relativePath.size();
    }
    std::string part = relativePath.substr(start, end - start);
    start = end + 1;
    if (part.empty() || part == ".") {
      continue;
    }
    name += name.empty() ? "" : "/";
    name += part == ".." ? "_" : SafePart(part);
  }
  return name.empty() ? "_" : name;
}

std::string EntryNames::Unique(const std::string& name) {
  if (m_used.insert(name).second) {
    return name;
  }
  size_t base = name.rfind('/');
  base = base == std::string::npos ? 0 : base + 1;
  size_t dot = name.rfind('.');
  size_t cut = dot != std::string::npos && dot > base ? dot : name.size();
  for (unsigned n = 2;; ++n) {
    std::string candidate = name.substr(0, cut) + "~" + std::to_string(n) + name.substr(cut);
    if (m_used.insert(candidate).second) {
      return candidate;
    }
  }
}

}  // namespace zip
}  // namespace velt
