// How a console program names the signal that stopped it (see
// StopSignals.h) in its messages.
#pragma once

#include <string>

#include "velt/VeltExport.h"

namespace velt {
namespace platform {

// "SIGINT" for SIGINT and the other stop signals by their names, "signal N"
// for any other number.
VELT_API std::string StopSignalName(int signalNumber);

}  // namespace platform
}  // namespace velt
