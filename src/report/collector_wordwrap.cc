// Breaking a summary column's text into lines of a column's width.

#include "velt/report/collector.h"

namespace {

bool IsWrapSpace(wchar_t c) {
  return c == L' ' || c == L'\t' || c == L'\n' || c == L'\v' || c == L'\f' || c == L'\r';
}

void DropLeadingSpace(std::wstring& text) {
  size_t start = 0;
  while (start < text.size() && IsWrapSpace(text[start])) ++start;
  text.erase(0, start);
}

}  // namespace

std::wstring collector::smartWordWrap(std::wstring& text, unsigned width) {
  DropLeadingSpace(text);
  if (text.size() <= width) {
    std::wstring line;
    line.swap(text);
    return line;
  }
  // Break at the last white space that leaves the line within the width;
  // the space itself goes.
  for (size_t p = width; p-- > 0;) {
    if (IsWrapSpace(text[p])) {
      std::wstring line = text.substr(0, p);
      text.erase(0, p + 1);
      return line;
    }
  }
  // One long word: cut it one short of the width. A width of 1 or less
  // still takes one character, so that every call makes progress.
  const size_t cut = width > 1 ? width - 1 : 1;
  std::wstring line = text.substr(0, cut);
  text.erase(0, cut);
  DropLeadingSpace(text);
  return line;
}
