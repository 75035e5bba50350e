// Broken-down local time of the machine's time zone.
#pragma once

#include <cstdint>

#include "velt/VeltExport.h"

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
VELT_API int ToLocalDateTime(int64_t secondsSinceEpoch, LocalDateTime& local);

}  // namespace platform
}  // namespace velt
