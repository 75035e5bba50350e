// UTF-8 <-> UTF-32 wide strings, independent of the process locale.
//
// File names on Linux are bytes, not always valid UTF-8. So that a name
// read from a folder can be widened and narrowed back to the same bytes,
// every byte that is not part of a valid UTF-8 sequence becomes the lone
// low surrogate U+DC80..U+DCFF in the wide string (U+DC00 + the byte), and
// narrowing turns those back into the byte. Other values that UTF-8 cannot
// carry (other surrogates, values above U+10FFFF) narrow to U+FFFD.
#include "velt/platform/TextEncoding.h"

namespace velt {
namespace {

constexpr unsigned long kReplacement = 0xFFFD;
constexpr unsigned long kEscapeBase = 0xDC00;  // + a byte of 0x80..0xFF

bool IsEscapedByte(unsigned long cp) {
  return cp >= kEscapeBase + 0x80 && cp <= kEscapeBase + 0xFF;
}

void AppendUtf8(std::string& out, unsigned long cp) {
  if (IsEscapedByte(cp)) {
    out += static_cast<char>(cp - kEscapeBase);
    return;
  }
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    cp = kReplacement;
  }
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

std::string Narrow(const std::wstring& text) {
  std::string out;
  out.reserve(text.size());
  for (wchar_t ch : text) {
    AppendUtf8(out, static_cast<unsigned long>(ch));
  }
  return out;
}

std::wstring Widen(const std::string& text) {
  std::wstring out;
  out.reserve(text.size());
  const std::size_t size = text.size();
  for (std::size_t i = 0; i < size;) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
      out += static_cast<wchar_t>(lead);
      ++i;
      continue;
    }
    std::size_t length = 0;
    unsigned long cp = 0;
    unsigned long minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
      length = 2, cp = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3, cp = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4, cp = lead & 0x07, minimum = 0x10000;
    }
    bool valid = length != 0 && i + length <= size;
    for (std::size_t k = 1; valid && k < length; ++k) {
      const unsigned char next = static_cast<unsigned char>(text[i + k]);
      valid = (next & 0xC0) == 0x80;
      cp = (cp << 6) | (next & 0x3F);
    }
    if (valid && cp >= minimum && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF)) {
      out += static_cast<wchar_t>(cp);
      i += length;
    } else {
      // Only the lead byte is kept aside; what follows it is decoded anew.
      out += static_cast<wchar_t>(kEscapeBase + lead);
      ++i;
    }
  }
  return out;
}

}  // namespace velt
