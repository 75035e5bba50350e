// The process-wide application log. A front end creates one CAppLog before
// it uses the engine; messages written while no instance exists are dropped.
#pragma once

#include <string>

#include "velt/VeltExport.h"
#include "velt/runtime/ILogger.h"

// Message identifiers of the catalogue's first set.
enum : unsigned {
  MID_UNKNOWN = 0,
  MID_DEBUG_MESSAGE = 1,
  MID_DEBUG_RETURN_CODE = 2,
  MID_VERBOSE_MESSAGE = 3,
};

class VELT_API CAppLog {
 public:
  // The first instance installs `logger` (taking ownership) or, without one,
  // the system logger for `sourceName`. `result` is 0 on success.
  CAppLog(long& result, const std::string& sourceName, ILogger* logger = nullptr);
  ~CAppLog();
  CAppLog(const CAppLog&) = delete;
  CAppLog& operator=(const CAppLog&) = delete;

  // Replaces the logger by a new system logger; GLOBAL_ERROR_NO_INSTANCE
  // when no CAppLog exists.
  static long UpdateLogger(const std::string& sourceName);
  // Replaces the logger by `logger` (ownership taken); same failure.
  static long InstallLogger(ILogger* logger);

  static void LogDebugMessage(const char* function, const char* file, int line,
                              Logging::DebugImportance importance, const char* format, ...)
      VELT_PRINTF_FORMAT(5, 6);

  static void LogReturnCode(const char* function, const char* file, int line,
                            Logging::DebugImportance importance, const char* invokedFunction,
                            unsigned long code, const char* description = nullptr,
                            const char* format = nullptr, ...) VELT_PRINTF_FORMAT(8, 9);

  static void LogMessage(unsigned messageId, ...);

  // "NAME:Description" of a product code, the system's text of an error
  // number, or "unknown" / "WINDOWS_ERROR_CODE" as the log describes them.
  static std::string DescribeCode(unsigned long code);

  // "Class::member" out of a compiler's pretty function signature.
  static std::string FunctionName(const char* prettyFunction);
};

// Logging at the point of failure, with the reporting function, file and line.
#define VELT_LOG_MESSAGE(importance, ...)                                                    \
  CAppLog::LogDebugMessage(CAppLog::FunctionName(VELT_FUNCTION_SIGNATURE).c_str(), __FILE__, \
                           __LINE__, importance, __VA_ARGS__)

#define VELT_LOG_CODE(importance, invoked, code, ...)                                      \
  CAppLog::LogReturnCode(CAppLog::FunctionName(VELT_FUNCTION_SIGNATURE).c_str(), __FILE__, \
                         __LINE__, importance, invoked, static_cast<unsigned long>(code),  \
                         nullptr VELT_COMMA_ARGS(__VA_ARGS__))

// The same, for a helper that reports in the name of the operation it works
// for: `function` is that operation's qualified name.
#define VELT_LOG_MESSAGE_AS(function, importance, ...) \
  CAppLog::LogDebugMessage(function, __FILE__, __LINE__, importance, __VA_ARGS__)

#define VELT_LOG_CODE_AS(function, importance, invoked, code, ...)          \
  CAppLog::LogReturnCode(function, __FILE__, __LINE__, importance, invoked, \
                         static_cast<unsigned long>(code), nullptr VELT_COMMA_ARGS(__VA_ARGS__))
