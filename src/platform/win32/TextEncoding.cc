// UTF-8 <-> UTF-16 wide strings through the system's converters, whatever
// the process's code pages.
//
// Narrow text may hold bytes that are not UTF-8 (a command's output, a file
// written in another encoding). So that it widens and narrows back to the
// same bytes, every byte outside a valid UTF-8 sequence becomes the lone
// low surrogate U+DC80..U+DCFF (U+DC00 + the byte), and narrowing turns a
// lone one of those back into the byte, as on POSIX. Other lone surrogates
// narrow to U+FFFD, as the system's converter does with them. Widening
// never yields a high surrogate that is not followed by its low half, so a
// high surrogate before an escaped byte cannot arise from Widen.
#include "velt/platform/TextEncoding.h"

#include <windows.h>

namespace velt {
namespace {

constexpr wchar_t kEscapeBase = 0xDC00;  // + a byte of 0x80..0xFF

bool IsEscapedByte(wchar_t unit) { return unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF; }

bool IsHighSurrogate(wchar_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }

// The most the converters take in one call; longer text goes in pieces.
constexpr size_t kLongestPiece = size_t{1} << 30;

// Appends the UTF-8 of text[0, length); lone surrogates become U+FFFD.
void AppendUtf8(std::string& out, const wchar_t* text, size_t length) {
  while (length > 0) {
    size_t piece = length < kLongestPiece ? length : kLongestPiece;
    if (piece < length && IsHighSurrogate(text[piece - 1])) {
      --piece;  // a pair stays in one piece
    }
    const int units = static_cast<int>(piece);
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, units, nullptr, 0, nullptr, nullptr);
    const size_t at = out.size();
    out.resize(at + static_cast<size_t>(bytes));
    WideCharToMultiByte(CP_UTF8, 0, text, units, &out[at], bytes, nullptr, nullptr);
    text += piece;
    length -= piece;
  }
}

// Appends the UTF-16 of the UTF-8 in text[0, length); false, appending
// nothing, when it is not valid UTF-8 throughout (overlong forms, encoded
// surrogates and values above U+10FFFF are not).
bool AppendUtf16(std::wstring& out, const char* text, size_t length) {
  if (length > kLongestPiece) {
    return false;  // decoded sequence by sequence instead
  }
  const int bytes = static_cast<int>(length);
  const int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, bytes, nullptr, 0);
  if (units <= 0) {
    return false;
  }
  const size_t at = out.size();
  out.resize(at + static_cast<size_t>(units));
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, bytes, &out[at], units);
  return true;
}

// The length of the UTF-8 sequence that `lead` starts; 0 for a byte that
// starts none.
size_t SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 0;
}

}  // namespace

std::string Narrow(const std::wstring& text) {
  std::string out;
  out.reserve(text.size());
  size_t run = 0;  // start of the text not yet converted
  for (size_t i = 0; i < text.size(); ++i) {
    if (IsEscapedByte(text[i]) && (i == 0 || !IsHighSurrogate(text[i - 1]))) {
      AppendUtf8(out, text.data() + run, i - run);
      out += static_cast<char>(text[i] - kEscapeBase);
      run = i + 1;
    }
  }
  AppendUtf8(out, text.data() + run, text.size() - run);
  return out;
}

std::wstring Widen(const std::string& text) {
  std::wstring out;
  out.reserve(text.size());
  // Valid text, the usual case, converts in one call.
  if (text.empty() || AppendUtf16(out, text.data(), text.size())) {
    return out;
  }
  // Else sequence by sequence (ASCII directly, so that long text with a
  // stray byte stays cheap): a byte that starts no valid sequence is kept
  // aside, and what follows it is decoded anew.
  for (size_t i = 0; i < text.size();) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    const size_t length = SequenceLength(lead);
    if (length == 1) {
      out += static_cast<wchar_t>(lead);
      ++i;
    } else if (length != 0 && i + length <= text.size() && AppendUtf16(out, text.data() + i, length)) {
      i += length;
    } else {
      out += static_cast<wchar_t>(kEscapeBase + lead);
      ++i;
    }
  }
  return out;
}

}  // namespace velt
