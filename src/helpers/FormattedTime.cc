#include "helpers/FormattedTime.h"

#include <ctime>
#include <cwchar>

#include "platform/LocalTime.h"
#include "velt/platform/TextEncoding.h"

namespace velt {

std::wstring GetFormattedTime(TIME_REPRESENTATION representation) {
  const std::time_t now = std::time(nullptr);
  std::tm local;
  if (now == static_cast<std::time_t>(-1) ||
      platform::ToLocalTm(static_cast<int64_t>(now), local) != 0) {
    return std::wstring();
  }
  switch (representation) {
    case TIME_REPRESENTATION_SUFFIX: {
      wchar_t text[32];
      std::swprintf(text, sizeof(text) / sizeof(text[0]), L"_%02d%02d_%02d%02d", local.tm_mon + 1,
                    local.tm_mday, local.tm_hour, local.tm_min);
      return text;
    }
    case TIME_REPRESENTATION_ASCTIME:
      return Widen(platform::AscTime(local));
    default: {
      wchar_t text[64];
      size_t length = std::wcsftime(text, sizeof(text) / sizeof(text[0]), L"%c", &local);
      return std::wstring(text, length);
    }
  }
}

}  // namespace velt
