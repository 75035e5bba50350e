// How a log message is classified the way a system event log records it:
// event type, category and identifier.
#pragma once

#include <cstdint>

#include "velt/VeltExport.h"
#include "velt/runtime/ILogger.h"

enum class EventType { Success, Error, Warning, Information };

struct VELT_API EventRecord {
  EventType type;
  unsigned category;
  uint32_t identifier;

  static EventRecord Classify(Logging::Severity severity, unsigned messageId,
                              Logging::DebugImportance importance);
  static const char* TypeName(EventType type);
};
