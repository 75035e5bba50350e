// Conversion between wide strings and the platform's narrow text (UTF-8 on
// POSIX). Nothing is rejected. A byte that is not part of valid UTF-8 (a
// file name in another encoding) widens to one of U+DC80..U+DCFF and
// narrows back to the same byte, so such names survive the round trip;
// other values UTF-8 cannot carry narrow to U+FFFD.
#pragma once

#include <string>

#include "velt/VeltExport.h"

namespace velt {

VELT_API std::string Narrow(const std::wstring& text);
VELT_API std::wstring Widen(const std::string& text);

}  // namespace velt
