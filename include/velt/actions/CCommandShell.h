// Running one command line through the system shell and copying everything
// it writes (standard output and standard error) into a stream.
#pragma once

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
  // Runs `command` with an empty standard input and copies its output into
  // `out` in chunks of at most 1023 bytes, each cut at its first zero byte.
  // Returns 0 once every writer has closed the output (there is no
  // time-out), or GLOBAL_ERROR_BAD_PARAMETER, GLOBAL_ERROR_BAD_HANDLE,
  // GLOBAL_ERROR_UNEXPECTED.
  static long Execute(const wchar_t* command, std::ostream& out);

 private:
  std::wstring m_commandLine;
};
