// The system log on POSIX: syslog with the event source as identity. The
// event type picks the priority; type, category and identifier lead the
// message so that nothing of the event-log record is lost.
#include <syslog.h>

#include <mutex>
#include <string>

#include "platform/SystemLogger.h"
#include "velt/runtime/EventRecord.h"
#include "velt/runtime/ResultCodes.h"

namespace velt {
namespace platform {
namespace {

class SysLogLogger : public ILogger {
 public:
  explicit SysLogLogger(const std::string& sourceName) : m_ident(sourceName) {
    // openlog keeps the pointer, so the string lives as long as the logger.
    openlog(m_ident.c_str(), LOG_PID | LOG_NDELAY, LOG_USER);
  }
  ~SysLogLogger() override { closelog(); }

  long Log(Logging::Severity severity, const char* text, const char* messageName,
           unsigned messageId, Logging::DebugImportance importance) override {
    if (text == nullptr) {
      return GLOBAL_ERROR_BAD_PARAMETER;
    }
    EventRecord record = EventRecord::Classify(severity, messageId, importance);
    int priority = LOG_NOTICE;
    switch (record.type) {
      case EventType::Error: priority = LOG_ERR; break;
      case EventType::Warning: priority = LOG_WARNING; break;
      case EventType::Information: priority = LOG_INFO; break;
      case EventType::Success: priority = LOG_NOTICE; break;
    }
    syslog(priority, "[%s category=%u id=0x%08X %s] %s", EventRecord::TypeName(record.type),
           record.category, record.identifier, messageName ? messageName : "", text);
    return 0;
  }

 private:
  std::string m_ident;
};

}  // namespace

ILogger* CreateSystemLogger(const std::string& sourceName) {
  return new SysLogLogger(sourceName);
}

}  // namespace platform
}  // namespace velt
