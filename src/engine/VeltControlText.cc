#include "velt/engine/VeltControlText.h"

#include <cmath>
#include <cstdio>
#include <cwctype>

#include "platform/LocalTime.h"
#include "velt/platform/TextEncoding.h"

namespace {

// "2026-12-05", then optionally " 15:30" or "T15:30:12".
bool ReadLocalDate(const std::wstring& text, velt::platform::LocalDateTime& when) {
  const std::string narrow = velt::Narrow(text);
  char separator = 0;
  int used = 0;
  when = velt::platform::LocalDateTime();
  if (std::sscanf(narrow.c_str(), "%4d-%2d-%2d%n", &when.year, &when.month, &when.day, &used) !=
          3 ||
      used != 10) {
    return false;
  }
  if (narrow.size() == 10) return true;
  separator = narrow[10];
  if (separator != ' ' && separator != 'T') return false;
  const std::string clock = narrow.substr(11);
  int rest = 0;
  if (std::sscanf(clock.c_str(), "%2d:%2d%n", &when.hour, &when.minute, &rest) == 2 &&
      rest == 5 && clock.size() == 5) {
    return when.hour < 24 && when.minute < 60;
  }
  return std::sscanf(clock.c_str(), "%2d:%2d:%2d%n", &when.hour, &when.minute, &when.second,
                     &rest) == 3 &&
         rest == 8 && clock.size() == 8 && when.hour < 24 && when.minute < 60 &&
         when.second < 60;
}

}  // namespace

bool VeltControlText::ParseSince(const std::wstring& text, int64_t now, int64_t& since,
                                 std::wstring& why) {
  why = L"'" + text + L"' is neither a span back from now (2d, 12h, 30m, 1w) nor a date "
        L"(2026-12-05, 2026-12-05 15:30)";
  if (text.size() >= 2 && std::iswdigit(text[0])) {
    size_t digits = 0;
    while (digits < text.size() && std::iswdigit(text[digits])) ++digits;
    const std::wstring unit = text.substr(digits);
    const int64_t seconds = unit == L"m" ? 60 : unit == L"h" ? 3600 : unit == L"d" ? 86400
                            : unit == L"w" ? 604800 : 0;
    if (seconds != 0 && digits <= 6) {
      since = now - std::stoll(text.substr(0, digits)) * seconds;
      return true;
    }
  }
  velt::platform::LocalDateTime when;
  int64_t seconds = 0;
  if (!ReadLocalDate(text, when)) return false;
  if (velt::platform::FromLocalDateTime(when, seconds) != 0) {
    why = L"'" + text + L"' is not a date and time that exists here";
    return false;
  }
  if (seconds > now) {
    why = L"'" + text + L"' lies in the future";
    return false;
  }
  since = seconds;
  return true;
}

bool VeltControlText::ParseSize(const std::wstring& text, uint64_t& bytes, std::wstring& why) {
  why = L"'" + text + L"' is not a size (bytes, or a number with K, M, G or T: 500M, 1.5G)";
  if (text.empty() || !std::iswdigit(text[0])) return false;
  size_t end = 0;
  double number = 0.0;
  try {
    number = std::stod(text, &end);
  } catch (...) {
    return false;
  }
  std::wstring unit = text.substr(end);
  for (const wchar_t* suffix : {L"iB", L"B"}) {
    const std::wstring tail(suffix);
    if (unit.size() > tail.size() &&
        unit.compare(unit.size() - tail.size(), tail.size(), tail) == 0) {
      unit.erase(unit.size() - tail.size());
      break;
    }
  }
  const std::wstring units = L"KMGT";
  double scale = 1.0;
  if (unit.size() == 1 && units.find(std::towupper(unit[0])) != std::wstring::npos) {
    scale = std::pow(1024.0, static_cast<double>(units.find(std::towupper(unit[0])) + 1));
  } else if (!unit.empty() && unit != L"B") {
    return false;
  }
  const double total = std::floor(number * scale);
  if (!(total >= 1.0) || total > 9.0e18) {
    why = L"'" + text + L"' is not a size above 0";
    return false;
  }
  bytes = static_cast<uint64_t>(total);
  return true;
}

bool VeltControlText::CheckCaseId(const std::wstring& text, std::wstring& why) {
  why = L"the case ID '" + text + L"' must be 1 to 64 letters, digits, '.', '_' or '-', "
        L"beginning with a letter or digit";
  if (text.empty() || text.size() > 64 || !std::iswalnum(text[0])) return false;
  for (wchar_t c : text) {
    const bool ascii = c < 0x80 && (std::iswalnum(c) || c == L'.' || c == L'_' || c == L'-');
    if (!ascii) return false;
  }
  return true;
}

std::wstring VeltControlText::LocalTime(int64_t since) {
  velt::platform::LocalDateTime when;
  if (velt::platform::ToLocalDateTime(since, when) != 0) return std::wstring();
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", when.year, when.month,
                when.day, when.hour, when.minute, when.second);
  return velt::Widen(text);
}
