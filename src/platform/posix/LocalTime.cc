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

}  // namespace platform
}  // namespace velt
