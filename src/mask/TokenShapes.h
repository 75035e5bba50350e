// Credential formats that their vendors made recognisable by their shape:
// a fixed prefix (or a fixed piece at a known distance from the start) and
// a known alphabet and length. docs/masking.md lists each with its source.
#pragma once

#include <cstddef>

#include "mask/MaskKind.h"

namespace velt {
namespace mask {

struct TokenShape {
  MaskKind kind;
  // The fixed texts the scan looks for, separated by '|'. Each is where a
  // candidate is tested, `lookback` characters after the token's start.
  const char* literals;
  size_t lookback;
  // RE2 syntax, matched from the token's first character. When it has a
  // capture group, only the group is masked (the name before it stays).
  const char* pattern;
};

// Every shape, in no particular order; `count` receives their number.
const TokenShape* TokenShapes(size_t& count);

}  // namespace mask
}  // namespace velt
