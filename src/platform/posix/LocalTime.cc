#include "platform/LocalTime.h"

#include <cerrno>
#include <ctime>

namespace velt {
namespace platform {

int ToLocalDateTime(int64_t secondsSinceEpoch, LocalDateTime& local) {
  time_t when = static_cast<time_t>(secondsSinceEpoch);
  struct tm parts;
  if (localtime_r(&when, &parts) == nullptr) {
    return errno != 0 ? errno : EOVERFLOW;
  }
  local.year = parts.tm_year + 1900;
  local.month = parts.tm_mon + 1;
  local.day = parts.tm_mday;
  local.hour = parts.tm_hour;
  local.minute = parts.tm_min;
  local.second = parts.tm_sec;
  return 0;
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
