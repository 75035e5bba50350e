// Local time: the broken-down form is public (front ends use it too, see
// velt/platform/LocalTime.h); the engine also converts back and uses the C
// library's forms.
#pragma once

#include "velt/platform/LocalTime.h"

#include <ctime>
#include <string>

namespace velt {
namespace platform {

// The other way: a local time (its second may be 0..59) in seconds since
// the epoch. 0, or EINVAL for a time that does not exist.
int FromLocalDateTime(const LocalDateTime& local, int64_t& secondsSinceEpoch);
// The current time in seconds since the epoch (UTC).
int64_t SecondsSinceEpoch();

// The same broken down as the C library does it (weekday, day of the year,
// daylight saving time and whatever zone fields the system adds), for
// std::strftime and std::wcsftime. 0 or the error number.
int ToLocalTm(int64_t secondsSinceEpoch, std::tm& local);

// The C library's fixed form of `local`, "Sat Dec  5 15:30:12 2026\n", with
// English names whatever the locale; empty when the system cannot write it.
std::string AscTime(const std::tm& local);

}  // namespace platform
}  // namespace velt
