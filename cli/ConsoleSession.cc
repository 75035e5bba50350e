#include "ConsoleSession.h"

#include <CLI/CLI.hpp>

#include <cstdio>

#include "velt/control/VeltThread.h"
#include "velt/platform/SystemError.h"
#include "velt/runtime/CAppLog.h"
#include "velt/runtime/CFileLogger.h"

namespace velt {
namespace cli {

ConsoleSession::ConsoleSession(const std::string& logFile, bool skipMSInfo32) : m_ok(true) {
  ILogger* logger = nullptr;
  if (!logFile.empty()) {
    CFileLogger* fileLogger = new CFileLogger(logFile);
    if (!fileLogger->IsOpen()) {
      std::fprintf(stderr, "velt: cannot open the log file %s: %s; name another with --log-file\n",
                   logFile.c_str(),
                   platform::SystemErrorText(static_cast<unsigned long>(fileLogger->OpenError()))
                       .c_str());
      delete fileLogger;
      m_ok = false;
      return;
    }
    logger = fileLogger;
  }
  long result = 0;
  m_log.reset(new CAppLog(result, "velt", logger));
  VELT_CLI_OPTIONS options;
  options.consoleMode = true;
  options.skipMSInfo32 = skipMSInfo32;
  VeltThread::SetVeltCLIOptions(options);
  VeltThread::OpenExitEvent();
}

ConsoleSession::~ConsoleSession() = default;

void AddSessionOptions(CLI::App& app, SessionOptions& options) {
  app.add_option("--install-dir", options.installDir,
                 "the install folder, the one above xml/config (default: the registered "
                 "install path, else the folder velt was installed with)")
      ->type_name("DIR");
  AddLogFileOption(app, options.logFile);
}

void AddLogFileOption(CLI::App& app, std::string& logFile) {
  app.add_option("--log-file", logFile,
                 "append the application log to FILE instead of the system log")
      ->type_name("FILE");
}

void ReportFailure(const char* what, long code) {
  std::fprintf(stderr, "velt: %s failed: 0x%08lX %s\n", what, static_cast<unsigned long>(code),
               CAppLog::DescribeCode(static_cast<unsigned long>(code)).c_str());
}

}  // namespace cli
}  // namespace velt
