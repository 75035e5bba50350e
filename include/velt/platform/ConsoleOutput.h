// A console program's standard output: how wide its terminal is, and
// writing that tells a reader that went away from other failures.
#pragma once

#include <cstddef>
#include <string>

#include "velt/VeltExport.h"

namespace velt {
namespace platform {

enum class OutputWrite {
  kWritten,
  kNoReader,  // nobody reads the output any more (a closed pipe)
  kFailed,    // any other failure
};

// Writes `text` to the C library's standard output stream and flushes it.
// After a failure the stream is usable again.
VELT_API OutputWrite WriteStandardOutput(const std::string& text);

// The width in columns of the terminal that standard output is on; 0 when
// it is not on one or the width is not known.
VELT_API size_t StandardOutputColumns();

}  // namespace platform
}  // namespace velt
