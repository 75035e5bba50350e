// What every command that runs the engine sets up first: the application
// log (the system log, or a file the user names) and console mode.
#pragma once

#include <memory>
#include <string>

class CAppLog;
namespace CLI {
class App;
}  // namespace CLI

namespace velt {
namespace cli {

// The options of every command that reads the configurations: where they
// are, and where the application log goes.
struct SessionOptions {
  std::string installDir;
  std::string logFile;
};
void AddSessionOptions(CLI::App& app, SessionOptions& options);
// --log-file alone, for commands without an install folder.
void AddLogFileOption(CLI::App& app, std::string& logFile);

class ConsoleSession {
 public:
  // `logFile` empty: the system log.
  ConsoleSession(const std::string& logFile, bool skipMSInfo32);
  ~ConsoleSession();
  ConsoleSession(const ConsoleSession&) = delete;
  ConsoleSession& operator=(const ConsoleSession&) = delete;

  // False when the log file could not be opened (reported on standard error).
  bool ok() const { return m_ok; }

 private:
  std::unique_ptr<CAppLog> m_log;
  bool m_ok;
};

// Prints "velt: <what> failed: <code> <description>" on standard error.
void ReportFailure(const char* what, long code);

}  // namespace cli
}  // namespace velt
