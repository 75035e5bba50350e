// Whether a console program writes to a person or to a program: its
// standard output on a terminal, or into a pipe or a file.
#pragma once

#include "velt/VeltExport.h"

namespace velt {
namespace platform {

// True when standard output is a terminal.
VELT_API bool StandardOutputIsTerminal();

}  // namespace platform
}  // namespace velt
