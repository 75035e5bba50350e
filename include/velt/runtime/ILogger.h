// Sink of the application log. The installed logger may be called from
// several threads at once.
#pragma once

#include "velt/VeltExport.h"

namespace Logging {
// 0 to 3 errors, 4 warning, 5 and 6 information, 7 debug output.
using Severity = int;
// 'E' error, 'W' warning, 'I' information, 'T' trace.
using DebugImportance = char;
}  // namespace Logging

class VELT_API ILogger {
 public:
  virtual long Log(Logging::Severity severity, const char* text, const char* messageName,
                   unsigned messageId, Logging::DebugImportance importance) = 0;
  virtual ~ILogger() = default;
};
