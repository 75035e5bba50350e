// helperUtil: cutting text at separators, bundle names, sizes and numbers.
#include <cwchar>
#include <iomanip>
#include <limits>
#include <sstream>

#include "velt/helpers/helperUtil.h"

int helperUtil::wildcmp(const char* pattern, const char* text) {
  if (pattern == nullptr || text == nullptr) {
    return 0;
  }
  // Literal prefix up to the first "*".
  while (*text != '\0' && *pattern != '*') {
    if (*pattern != *text && *pattern != '?') {
      return 0;
    }
    ++pattern;
    ++text;
  }
  // Greedy matching with one backtracking point: the last "*" seen.
  const char* starPattern = nullptr;
  const char* starText = nullptr;
  while (*text != '\0') {
    if (*pattern == '*') {
      if (*++pattern == '\0') {
        return 1;
      }
      starPattern = pattern;
      starText = text + 1;
    } else if (*pattern == *text || *pattern == '?') {
      ++pattern;
      ++text;
    } else {
      pattern = starPattern;
      text = starText++;
    }
  }
  while (*pattern == '*') {
    ++pattern;
  }
  return *pattern == '\0' ? 1 : 0;
}

std::wstring helperUtil::getFirstPart(const std::wstring& text, const std::wstring& separator) {
  size_t at = separator.empty() ? std::wstring::npos : text.find(separator);
  return at == std::wstring::npos ? text : text.substr(0, at);
}

std::wstring helperUtil::getLastPart(const std::wstring& text, const std::wstring& separator) {
  size_t at = separator.empty() ? std::wstring::npos : text.rfind(separator);
  return at == std::wstring::npos ? text : text.substr(at + separator.size());
}

std::wstring helperUtil::getAllExFirstPart(const std::wstring& text,
                                           const std::wstring& separator, bool keepSeparator) {
  size_t at = separator.empty() ? std::wstring::npos : text.find(separator);
  if (at == std::wstring::npos) {
    return text;
  }
  if (keepSeparator) {
    return text.substr(at);
  }
  while (text.compare(at, separator.size(), separator) == 0) {
    at += separator.size();
  }
  return text.substr(at);
}

std::wstring helperUtil::getAllExLastPart(const std::wstring& text,
                                          const std::wstring& separator, bool keepSeparator) {
  size_t at = separator.empty() ? std::wstring::npos : text.rfind(separator);
  if (at == std::wstring::npos) {
    return text;
  }
  if (keepSeparator) {
    return text.substr(0, at + separator.size());
  }
  while (at >= separator.size() &&
         text.compare(at - separator.size(), separator.size(), separator) == 0) {
    at -= separator.size();
  }
  return text.substr(0, at);
}

std::wstring helperUtil::composeName(const std::wstring& givenName,
                                     const std::wstring& sourceName) {
  const std::wstring dot = L".";
  const std::wstring sourceBase = getAllExLastPart(sourceName, dot, false);
  const std::wstring sourceExt = getLastPart(sourceName, dot);
  if (givenName.empty()) {
    return sourceBase.empty() ? sourceExt : sourceName;
  }
  const std::wstring givenBase = getAllExLastPart(givenName, dot, false);
  const std::wstring givenExt = getLastPart(givenName, dot);
  if (!givenBase.empty() && !givenExt.empty()) {
    return givenBase + L"__" + sourceBase + L"__" + sourceExt + L"." + givenExt;
  }
  if (!givenBase.empty()) {
    return givenBase + L"__" + sourceBase + L"." + sourceExt;
  }
  if (!sourceBase.empty()) {
    return L"." + givenExt + L"__" + sourceBase + L"__" + sourceExt;
  }
  return L"." + givenExt + L"__" + sourceExt + L"__";
}

bool helperUtil::isPlainFileName(const std::wstring& name) {
  if (name.empty() || name == L"." || name == L"..") {
    return false;
  }
  for (wchar_t ch : name) {
    if (ch == L'/' || ch == L'\\' || ch < 0x20 || ch == 0x7F || (ch >= 0x80 && ch < 0xA0)) {
      return false;
    }
  }
  return true;
}

std::wstring helperUtil::removeLeadingWhiteSpace(const std::wstring& text) {
  size_t start = text.find_first_not_of(L" \t");
  return start == std::wstring::npos ? std::wstring() : text.substr(start);
}

std::wstring helperUtil::SizeToStr(double size, unsigned precision) {
  static const wchar_t* const kSuffixes[] = {L" bytes", L"K", L"M", L"G", L"T",
                                             L"P",      L"E", L"Z", L"Y"};
  unsigned n = 1;
  double limit = 1024.0;
  // The second test ends the loop for an infinite size.
  while (size >= limit && limit < std::numeric_limits<double>::max()) {
    limit *= 1024.0;
    ++n;
  }
  float divisor = power(1024.0f, n - 1);
  std::wstring number =
      NumToStr(static_cast<float>(size / static_cast<double>(divisor)), n > 1 ? precision : 0);
  return number + (n <= 9 ? kSuffixes[n - 1] : L" bytes");
}

std::wstring helperUtil::NumToStr(float value, unsigned precision) {
  std::wostringstream out;
  out << std::fixed << std::setprecision(static_cast<int>(precision)) << value;
  return out.str();
}

double helperUtil::StrToDouble(const std::wstring& text) {
  // The leading decimal integer, saturated to the 32-bit range.
  long long value = std::wcstoll(text.c_str(), nullptr, 10);
  if (value > std::numeric_limits<int32_t>::max()) {
    value = std::numeric_limits<int32_t>::max();
  } else if (value < std::numeric_limits<int32_t>::min()) {
    value = std::numeric_limits<int32_t>::min();
  }
  return static_cast<double>(value);
}

float helperUtil::power(float base, unsigned exponent) {
  float result = 1.0f;
  for (unsigned i = 0; i < exponent; ++i) {
    result *= base;
  }
  return result;
}

std::wstring helperUtil::mapTruncTypeToName(TruncType type) {
  switch (type) {
    case TRUNC_WHOLE_FILE:
      return L"Whole File";
    case TRUNC_DATA:
      return L"Data (front or end)";
    case TRUNC_END:
      return L"Truncate end";
    case TRUNC_FRONT:
      return L"Truncate front";
    case TRUNC_NO:
      return L"No";
  }
  return L"Unknown";
}
