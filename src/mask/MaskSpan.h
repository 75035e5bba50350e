// A stretch of text to replace.
#pragma once

#include <cstddef>
#include <string>

#include "mask/MaskKind.h"

namespace velt {
namespace mask {

struct MaskSpan {
  size_t begin;
  size_t end;
  MaskKind kind;
  bool counted;             // counts as one masked item of its kind
  std::string replacement;  // a pseudonym; empty for the marker
};

}  // namespace mask
}  // namespace velt
