// A logger that keeps every message in memory, for tests that check what
// was logged.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "velt/runtime/CAppLog.h"
#include "velt/runtime/ILogger.h"

namespace velt {
namespace test {

struct LoggedMessage {
  int severity;
  std::string text;
  std::string name;
  unsigned id;
  char importance;
};

class CapturingLogger : public ILogger {
 public:
  long Log(Logging::Severity severity, const char* text, const char* messageName,
           unsigned messageId, Logging::DebugImportance importance) override;

  std::vector<LoggedMessage> Messages();
  // True when some message's text contains `fragment`.
  bool Contains(const std::string& fragment);
  // How many entries of kind `messageId` (MID_DEBUG_MESSAGE or
  // MID_DEBUG_RETURN_CODE) name `function` as the reporting function and
  // contain `fragment`.
  int Count(unsigned messageId, const std::string& function, const std::string& fragment);
  void Clear();

 private:
  std::mutex m_lock;
  std::vector<LoggedMessage> m_messages;
};

// Installs a CapturingLogger as the application log for a test's lifetime.
class ScopedLogCapture {
 public:
  ScopedLogCapture();
  ~ScopedLogCapture();
  CapturingLogger& logger() { return *m_logger; }
  bool Contains(const std::string& fragment) { return m_logger->Contains(fragment); }
  int Count(unsigned messageId, const std::string& function, const std::string& fragment) {
    return m_logger->Count(messageId, function, fragment);
  }

 private:
  CapturingLogger* m_logger;  // owned by the log
  CAppLog* m_log;
};

}  // namespace test
}  // namespace velt
