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

std::string AscTime(const std::tm& local) {
  // The C library's form has 26 characters for four-digit years; a larger
  // year takes more.
  char text[64];
  return asctime_r(&local, text) != nullptr ? std::string(text) : std::string();
}

int FromLocalDateTime(const LocalDateTime& local, int64_t& secondsSinceEpoch) {
  struct tm parts = {};
  parts.tm_year = local.year - 1900;
  parts.tm_mon = local.month - 1;
  parts.tm_mday = local.day;
  parts.tm_hour = local.hour;
  parts.tm_min = local.minute;
  parts.tm_sec = local.second;
  parts.tm_isdst = -1;  // as the zone has it on that day
  const time_t when = mktime(&parts);
  // mktime moves a day or hour that does not exist on: refuse that.
  if (when == static_cast<time_t>(-1) || parts.tm_mday != local.day ||
      parts.tm_mon != local.month - 1 || parts.tm_year != local.year - 1900) {
    return EINVAL;
  }
  secondsSinceEpoch = static_cast<int64_t>(when);
  return 0;
}

int64_t SecondsSinceEpoch() { return static_cast<int64_t>(time(nullptr)); }

}  // namespace platform
}  // namespace velt
