// TruncType: how a collected file may be shortened to fit the bundle's size
// budget. Shared by the file actions, the truncator and helperUtil, which
// gives the display names.
#pragma once

#include <cstdint>

enum TruncType : int32_t {
  TRUNC_WHOLE_FILE = 0,  // "Whole File"
  TRUNC_DATA = 1,        // "Data (front or end)"
  TRUNC_END = 2,         // "Truncate end"
  TRUNC_FRONT = 3,       // "Truncate front"
  TRUNC_NO = 4,          // "No"
};
