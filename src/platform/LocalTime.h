// Broken-down local time of the machine's time zone.
#pragma once

#include <cstdint>

namespace velt {
namespace platform {

struct LocalDateTime {
  int year = 0;    // e.g. 2024
  int month = 0;   // 1..12
  int day = 0;     // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;  // 0..60
};

// `secondsSinceEpoch` (UTC) in local time. 0 or the error number.
int ToLocalDateTime(int64_t secondsSinceEpoch, LocalDateTime& local);
// The other way: a local time (its second may be 0..59) in seconds since
// the epoch. 0, or EINVAL for a time that does not exist.
int FromLocalDateTime(const LocalDateTime& local, int64_t& secondsSinceEpoch);
// The current time in seconds since the epoch (UTC).
int64_t SecondsSinceEpoch();

}  // namespace platform
}  // namespace velt
