#include "velt/runtime/CFileLogger.h"

#include <ctime>
#include <string>

#include "platform/LocalTime.h"
#include "platform/Stream.h"
#include "velt/runtime/EventRecord.h"
#include "velt/runtime/ResultCodes.h"

CFileLogger::CFileLogger(const std::string& path)
    : m_openError(velt::platform::OpenStream(path, "a", m_file)) {}

CFileLogger::~CFileLogger() {
  if (m_file != nullptr) {
    std::fclose(m_file);
  }
}

long CFileLogger::Log(Logging::Severity severity, const char* text, const char* messageName,
                      unsigned messageId, Logging::DebugImportance importance) {
  (void)messageName;
  if (text == nullptr) {
    return GLOBAL_ERROR_BAD_PARAMETER;
  }
  if (m_file == nullptr) {
    return GLOBAL_ERROR_NOT_INITIALIZED;
  }
  EventRecord record = EventRecord::Classify(severity, messageId, importance);
  // Messages span several lines; keep one line per message.
  std::string flat(text);
  for (std::size_t at = flat.find('\n'); at != std::string::npos; at = flat.find('\n', at)) {
    flat.replace(at, 1, " | ");
  }
  // A time the system cannot break down is written with every field 0.
  std::tm local{};
  if (velt::platform::ToLocalTm(static_cast<int64_t>(std::time(nullptr)), local) != 0) {
    local = std::tm{};
  }
  char stamp[32];
  std::strftime(stamp, sizeof(stamp), "%Y-%m-%d %H:%M:%S", &local);
  std::lock_guard<std::mutex> guard(m_lock);
  int written = std::fprintf(m_file, "%s %s 0x%08X %s\n", stamp, EventRecord::TypeName(record.type),
                             record.identifier, flat.c_str());
  std::fflush(m_file);
  return written < 0 ? GLOBAL_ERROR_UNEXPECTED : 0;
}
