// The collect run's controls as a person writes them (on a command line,
// in a dialog), read into VeltCollectExtras. Every front end reads them
// the same way.
#pragma once

#include <cstdint>
#include <string>

#include "velt/VeltExport.h"

class VELT_API VeltControlText {
 public:
  // A time window's start: a span back from `now` ("2d", "12h", "30m",
  // "1w": days, hours, minutes, weeks) or a local date and time
  // ("2026-12-05", "2026-12-05 15:30", "2026-12-05T15:30:12"). Seconds
  // since 1970 in `since`; false with `why` otherwise (also for a start
  // after `now`).
  static bool ParseSince(const std::wstring& text, int64_t now, int64_t& since,
                         std::wstring& why);
  // A size: bytes, or a number with K, M, G or T (powers of 1024, an "iB"
  // or "B" after it allowed): "500M", "1.5G", "64KiB". False with `why`
  // for anything else and for 0.
  static bool ParseSize(const std::wstring& text, uint64_t& bytes, std::wstring& why);
  // A case ID fit for a file name and the summary: 1 to 64 letters, digits,
  // '.', '_' and '-', beginning with a letter or digit.
  static bool CheckCaseId(const std::wstring& text, std::wstring& why);
  // `since` in local time as the summary shows it and commands receive it:
  // "2026-12-05 15:30:12".
  static std::wstring LocalTime(int64_t since);
};
