// How a log message is classified the way a system event log records it:
// event type, category and identifier. Header-only, so that the
// platform's system logger can use it below the runtime library.
#pragma once

#include <cstdint>

#include "velt/VeltExport.h"
#include "velt/runtime/ILogger.h"

enum class EventType { Success, Error, Warning, Information };

struct EventRecord {
  EventType type;
  unsigned category;
  uint32_t identifier;

  static EventRecord Classify(Logging::Severity severity, unsigned messageId,
                              Logging::DebugImportance importance);
  static const char* TypeName(EventType type);
};

inline EventRecord EventRecord::Classify(Logging::Severity severity, unsigned messageId,
                                  Logging::DebugImportance importance) {
  EventRecord record{EventType::Success, severity == 7 ? 1u : 0u, 0};
  if (severity >= 0 && severity <= 3) {
    record.type = EventType::Error;
  } else if (severity == 4) {
    record.type = EventType::Warning;
  } else if (severity == 5 || severity == 6) {
    record.type = EventType::Information;
  } else {
    switch (importance) {
      case 'E': record.type = EventType::Error; break;
      case 'I':
      case 'T': record.type = EventType::Information; break;
      case 'W': record.type = EventType::Warning; break;
      default: record.type = EventType::Success; break;
    }
  }
  uint32_t high = 0x24000000u;
  if (severity >= 0 && severity <= 3) {
    high = 0xE4000000u;
  } else if (severity == 4) {
    high = 0xA4000000u;
  } else if (severity == 5 || severity == 6) {
    high = 0x64000000u;
  }
  record.identifier = messageId | high;
  return record;
}

inline const char* EventRecord::TypeName(EventType type) {
  switch (type) {
    case EventType::Error: return "error";
    case EventType::Warning: return "warning";
    case EventType::Information: return "information";
    case EventType::Success: break;
  }
  return "success";
}
