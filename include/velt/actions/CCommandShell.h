// Running one command line as the system shell runs it and copying
// everything it writes (standard output and standard error) into a stream,
// within the bounds that every external command has: the 1200-second
// time-out, the front end's stop request and a bound on the output kept.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "velt/VeltExport.h"

class VELT_API CCommandShell {
 public:
  explicit CCommandShell(const wchar_t* command);
  virtual ~CCommandShell();

  // Runs the kept command: GLOBAL_ERROR_NOT_INITIALIZED when it is empty,
  // else Execute(command, out).
  long Execute(std::ostream& out);
  // Runs `command` (cut at 1023 characters) with an empty standard input
  // and copies its output into `out` in chunks of at most 1023 bytes, each
  // cut at its first zero byte. Returns 0 once the command has ended and
  // the output already on its way has been read (background jobs that keep
  // the output open are not waited for), or once 256 MiB have been copied
  // (a line saying so follows them). PROCESS_API_ERROR_WAIT_TIMEOUT after
  // 1200 seconds, PROCESS_API_ERROR_WAIT_INTERRUPTED when the front end asks
  // the run to stop. Whatever ends the copy, everything left in the
  // command's process group is ended before the call returns. A command
  // that cannot be started: GLOBAL_ERROR_UNEXPECTED (a program that does
  // not exist included) or GLOBAL_ERROR_BAD_HANDLE; a null command:
  // GLOBAL_ERROR_BAD_PARAMETER.
  static long Execute(const wchar_t* command, std::ostream& out);

  // How a command run by Execute ended.
  struct Outcome {
    bool ended = false;       // by itself: `exitStatus` is its status
    unsigned exitStatus = 0;  // 128 + N when signal N ended it
  };
  // Execute with its own time limit in seconds (instead of the 1200), and
  // how the command ended. An extension for the run's --timeout and the
  // command notes of the summary; Execute itself is this with 1200.
  static long Execute(const wchar_t* command, std::ostream& out, int64_t timeLimitSeconds,
                      Outcome& outcome);

 private:
  std::wstring m_commandLine;
};
