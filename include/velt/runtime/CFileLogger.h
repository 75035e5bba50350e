// A logger that appends one line per message to a file: time, event type,
// event identifier, message text. Front ends and tests install it in place
// of the system log.
#pragma once

#include <cstdio>
#include <mutex>
#include <string>

#include "velt/VeltExport.h"
#include "velt/runtime/ILogger.h"

class VELT_API CFileLogger : public ILogger {
 public:
  explicit CFileLogger(const std::string& path);
  ~CFileLogger() override;
  CFileLogger(const CFileLogger&) = delete;
  CFileLogger& operator=(const CFileLogger&) = delete;

  bool IsOpen() const { return m_file != nullptr; }
  // Why the file could not be opened: the error number (0 when it is open).
  int OpenError() const { return m_openError; }
  long Log(Logging::Severity severity, const char* text, const char* messageName,
           unsigned messageId, Logging::DebugImportance importance) override;

 private:
  std::mutex m_lock;
  std::FILE* m_file = nullptr;
  int m_openError = 0;
};
