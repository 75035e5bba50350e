// The local date and time as numbers, from the broken-down time each
// system's LocalTime.cc gives.
#include "platform/LocalTime.h"

namespace velt {
namespace platform {

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

}  // namespace platform
}  // namespace velt
