// The system's own log, behind ILogger: the default sink of the
// application log.
#pragma once

#include <string>

#include "velt/runtime/ILogger.h"

namespace velt {
namespace platform {

// A new logger writing to the system log under `sourceName`. Never null.
ILogger* CreateSystemLogger(const std::string& sourceName);

}  // namespace platform
}  // namespace velt
