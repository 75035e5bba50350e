#include "platform/LocalTime.h"

#include <cerrno>

namespace velt {
namespace platform {

int ToLocalTm(int64_t secondsSinceEpoch, std::tm& local) {
  const time_t when = static_cast<time_t>(secondsSinceEpoch);
  errno = 0;
  if (localtime_r(&when, &local) == nullptr) {
    return errno != 0 ? errno : EOVERFLOW;
  }
  return 0;
}

int ToLocalDateTime(int64_t secondsSinceEpoch, LocalDateTime& local) {
  std::tm parts;
  if (int error = ToLocalTm(secondsSinceEpoch, parts)) {
    return error;
  }
  local.year = parts.tm_year + 1900;
  local.month = parts.tm_mon + 1;
  local.day = parts.tm_mday;
  local.hour = parts.tm_hour;
  local.minute = parts.tm_min;
  local.second = parts.tm_sec;
  return 0;
}

std::string AscTime(const std::tm& local) {
  // The C library's form has 26 characters for four-digit years; a larger
  // year takes more.
  char text[64];
  return asctime_r(&local, text) != nullptr ? std::string(text) : std::string();
}

}  // namespace platform
}  // namespace velt
