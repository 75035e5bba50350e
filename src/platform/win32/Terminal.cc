#include "velt/platform/Terminal.h"

#include <windows.h>

namespace velt {
namespace platform {

// A console answers GetConsoleMode; a pipe, a file and the NUL device (a
// character device too, which _isatty would call a terminal) do not.
bool StandardOutputIsTerminal() {
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  return output != nullptr && output != INVALID_HANDLE_VALUE && GetConsoleMode(output, &mode) != 0;
}

}  // namespace platform
}  // namespace velt
