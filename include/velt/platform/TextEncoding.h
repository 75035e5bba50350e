// Conversion between wide strings and the platform's narrow text (UTF-8 on
// POSIX). Invalid input is replaced, never rejected.
#pragma once

#include <string>

#include "velt/VeltExport.h"

namespace velt {

VELT_API std::string Narrow(const std::wstring& text);
VELT_API std::wstring Widen(const std::string& text);

}  // namespace velt
