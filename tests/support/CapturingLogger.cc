#include "support/CapturingLogger.h"

namespace velt {
namespace test {

long CapturingLogger::Log(Logging::Severity severity, const char* text, const char* messageName,
                          unsigned messageId, Logging::DebugImportance importance) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_messages.push_back(LoggedMessage{severity, text ? text : "", messageName ? messageName : "",
                                     messageId, importance});
  return 0;
}

std::vector<LoggedMessage> CapturingLogger::Messages() {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_messages;
}

bool CapturingLogger::Contains(const std::string& fragment) {
  std::lock_guard<std::mutex> guard(m_lock);
  for (const LoggedMessage& message : m_messages) {
    if (message.text.find(fragment) != std::string::npos) {
      return true;
    }
  }
  return false;
}

int CapturingLogger::Count(unsigned messageId, const std::string& function,
                           const std::string& fragment) {
  std::lock_guard<std::mutex> guard(m_lock);
  const std::string reporter = "Function: " + function + "\n";
  int count = 0;
  for (const LoggedMessage& message : m_messages) {
    if (message.id == messageId && message.text.compare(0, reporter.size(), reporter) == 0 &&
        message.text.find(fragment) != std::string::npos) {
      ++count;
    }
  }
  return count;
}

void CapturingLogger::Clear() {
  std::lock_guard<std::mutex> guard(m_lock);
  m_messages.clear();
}

ScopedLogCapture::ScopedLogCapture() : m_logger(new CapturingLogger()) {
  long result = 0;
  m_log = new CAppLog(result, "velt-test", nullptr);
  CAppLog::InstallLogger(m_logger);
}

ScopedLogCapture::~ScopedLogCapture() { delete m_log; }

}  // namespace test
}  // namespace velt
