// The system log on Windows: the event log, under the event source named at
// construction. The event type, category and identifier of the message go
// into the event record's own fields (EventRecord, as the POSIX logger
// classifies them); the formatted text is the record's one insertion
// string.
#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/SystemLogger.h"
#include "velt/platform/TextEncoding.h"
#include "velt/runtime/EventRecord.h"
#include "velt/runtime/ResultCodes.h"

namespace velt {
namespace platform {
namespace {

WORD EventLogType(EventType type) {
  switch (type) {
    case EventType::Error: return EVENTLOG_ERROR_TYPE;
    case EventType::Warning: return EVENTLOG_WARNING_TYPE;
    case EventType::Information: return EVENTLOG_INFORMATION_TYPE;
    case EventType::Success: break;
  }
  return EVENTLOG_SUCCESS;
}

class CEventLogLogger : public ILogger {
 public:
  explicit CEventLogLogger(const std::string& sourceName)
      : m_source(RegisterEventSourceW(nullptr, Widen(sourceName).c_str())) {
    if (m_source == nullptr) {
      // Without a source nothing can be logged, so the failure goes to the
      // debugger.
      char text[128];
      std::snprintf(text, sizeof(text), "%s: RegisterEventSourceA failed [%d]\n",
                    "CEventLogLogger::CEventLogLogger", static_cast<int>(GetLastError()));
      OutputDebugStringA(text);
    }
  }
  CEventLogLogger(const CEventLogLogger&) = delete;
  CEventLogLogger& operator=(const CEventLogLogger&) = delete;
  ~CEventLogLogger() override {
    if (m_source != nullptr) {
      DeregisterEventSource(m_source);
    }
  }

  // One handle serves every thread: ReportEventW may be called concurrently.
  long Log(Logging::Severity severity, const char* text, const char* /*messageName*/,
           unsigned messageId, Logging::DebugImportance importance) override {
    if (text == nullptr) {
      return GLOBAL_ERROR_BAD_PARAMETER;
    }
    if (m_source == nullptr) {
      return GLOBAL_ERROR_NOT_INITIALIZED;
    }
    const EventRecord record = EventRecord::Classify(severity, messageId, importance);
    const std::wstring wide = Widen(text);
    const wchar_t* strings[] = {wide.c_str()};
    if (!ReportEventW(m_source, EventLogType(record.type), static_cast<WORD>(record.category),
                      record.identifier, nullptr, 1, 0, strings, nullptr)) {
      return GLOBAL_ERROR_UNEXPECTED;
    }
    return 0;
  }

 private:
  const HANDLE m_source;
};

}  // namespace

ILogger* CreateSystemLogger(const std::string& sourceName) {
  return new CEventLogLogger(sourceName);
}

}  // namespace platform
}  // namespace velt
