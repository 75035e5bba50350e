// TIME_REPRESENTATION: the form of the text helperUtil::getCurrentTime gives.
#pragma once

#include <cstdint>

enum TIME_REPRESENTATION : int32_t {
  TIME_REPRESENTATION_LOCALE = 0,   // the locale's date and time ("%c")
  TIME_REPRESENTATION_SUFFIX = 1,   // "_MMDD_HHMM", used in bundle folder names
  TIME_REPRESENTATION_ASCTIME = 2,  // "Fri Dec  4 03:47:28 2026\n"
};
