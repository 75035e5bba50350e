// Local time through the system's time-zone rules, not the C runtime's: the
// runtime applies the current year's daylight saving rules to every year
// and reads a POSIX-style TZ variable where one is set, while the system
// knows the rules of each year (GetTimeZoneInformationForYear). The rules
// of the year being converted are used throughout (the *Ex conversions
// would do the same but are missing from Wine).
#include "platform/LocalTime.h"

#include <windows.h>

#include <cerrno>
#include <cstdio>

#include "platform/win32/Win32Error.h"

namespace velt {
namespace platform {
namespace {

// 1601-01-01, where FILETIME counts from, to 1970-01-01, in seconds.
constexpr int64_t kEpochSeconds = 11644473600;
constexpr int64_t kTicksPerSecond = 10000000;

int64_t TicksOf(const FILETIME& time) {
  return static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) |
                              time.dwLowDateTime);
}

int64_t SecondsOf(const FILETIME& time) { return TicksOf(time) / kTicksPerSecond - kEpochSeconds; }

// False for a time before 1601 or beyond what FILETIME holds.
bool ToFileTime(int64_t secondsSinceEpoch, FILETIME& time) {
  if (secondsSinceEpoch < -kEpochSeconds ||
      secondsSinceEpoch > INT64_MAX / kTicksPerSecond - kEpochSeconds) {
    return false;
  }
  const uint64_t ticks = static_cast<uint64_t>(secondsSinceEpoch + kEpochSeconds) * kTicksPerSecond;
  time.dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFFu);
  time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return true;
}

// The current zone's rules in `year`. 0 or the error number.
int ZoneInYear(WORD year, TIME_ZONE_INFORMATION& zone) {
  return GetTimeZoneInformationForYear(year, nullptr, &zone) ? 0 : LastErrno();
}

// `secondsSinceEpoch` in the zone's local time, and whether daylight saving
// time applies then. 0 or the error number.
int ToLocalSystemTime(int64_t secondsSinceEpoch, SYSTEMTIME& local, bool& daylight) {
  FILETIME utcFile;
  SYSTEMTIME utc;
  if (!ToFileTime(secondsSinceEpoch, utcFile) || !FileTimeToSystemTime(&utcFile, &utc)) {
    return EOVERFLOW;
  }
  TIME_ZONE_INFORMATION zone;
  if (int error = ZoneInYear(utc.wYear, zone)) {
    return error;
  }
  FILETIME localFile;
  if (!SystemTimeToTzSpecificLocalTime(&zone, &utc, &local) ||
      !SystemTimeToFileTime(&local, &localFile)) {
    return LastErrno();
  }
  // Daylight saving time is whatever offset is not the year's standard one.
  const int64_t offsetMinutes = (TicksOf(localFile) - TicksOf(utcFile)) / (60 * kTicksPerSecond);
  daylight = offsetMinutes != -static_cast<int64_t>(zone.Bias + zone.StandardBias);
  return 0;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

constexpr int kDaysBeforeMonth[13] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365};

// `month` 1..12.
int DaysInMonth(int year, int month) {
  return kDaysBeforeMonth[month] - kDaysBeforeMonth[month - 1] +
         (month == 2 && IsLeapYear(year) ? 1 : 0);
}

int DayOfYear(const SYSTEMTIME& date) {
  return kDaysBeforeMonth[date.wMonth - 1] + date.wDay - 1 +
         (date.wMonth > 2 && IsLeapYear(date.wYear) ? 1 : 0);
}

}  // namespace

int ToLocalTm(int64_t secondsSinceEpoch, std::tm& local) {
  SYSTEMTIME parts;
  bool daylight = false;
  if (int error = ToLocalSystemTime(secondsSinceEpoch, parts, daylight)) {
    return error;
  }
  local = std::tm();
  local.tm_year = parts.wYear - 1900;
  local.tm_mon = parts.wMonth - 1;
  local.tm_mday = parts.wDay;
  local.tm_hour = parts.wHour;
  local.tm_min = parts.wMinute;
  local.tm_sec = parts.wSecond;
  local.tm_wday = parts.wDayOfWeek;
  local.tm_yday = DayOfYear(parts);
  local.tm_isdst = daylight ? 1 : 0;
  return 0;
}

std::string AscTime(const std::tm& local) {
  static const char kDays[7][4] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char kMonths[12][4] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  if (local.tm_wday < 0 || local.tm_wday > 6 || local.tm_mon < 0 || local.tm_mon > 11) {
    return std::string();
  }
  // The C standard's form; 26 characters for four-digit years, more for
  // larger ones.
  char text[64];
  std::snprintf(text, sizeof(text), "%.3s %.3s%3d %.2d:%.2d:%.2d %lld\n", kDays[local.tm_wday],
                kMonths[local.tm_mon], local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                1900LL + local.tm_year);
  return text;
}

int FromLocalDateTime(const LocalDateTime& local, int64_t& secondsSinceEpoch) {
  // Checked here: SystemTimeToFileTime does not refuse February 30th
  // everywhere (Wine takes it).
  if (local.year < 1601 || local.year > 30827 || local.month < 1 || local.month > 12 ||
      local.day < 1 || local.day > DaysInMonth(local.year, local.month) || local.hour < 0 ||
      local.hour > 23 || local.minute < 0 || local.minute > 59 || local.second < 0 ||
      local.second > 59) {
    return EINVAL;
  }
  SYSTEMTIME parts = {};
  parts.wYear = static_cast<WORD>(local.year);
  parts.wMonth = static_cast<WORD>(local.month);
  parts.wDay = static_cast<WORD>(local.day);
  parts.wHour = static_cast<WORD>(local.hour);
  parts.wMinute = static_cast<WORD>(local.minute);
  parts.wSecond = static_cast<WORD>(local.second);
  TIME_ZONE_INFORMATION zone;
  if (int error = ZoneInYear(parts.wYear, zone)) {
    return error;
  }
  SYSTEMTIME utc;
  FILETIME utcFile;
  if (!TzSpecificLocalTimeToSystemTime(&zone, &parts, &utc) ||
      !SystemTimeToFileTime(&utc, &utcFile)) {
    return LastErrno();
  }
  secondsSinceEpoch = SecondsOf(utcFile);
  return 0;
}

int64_t SecondsSinceEpoch() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return SecondsOf(now);
}

}  // namespace platform
}  // namespace velt
