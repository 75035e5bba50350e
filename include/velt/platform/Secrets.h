// The system's part of taking a secret (a password or token) for a console
// program: a line typed at the terminal without echo, a variable taken out
// of the environment, and a process whose memory others cannot read.
#pragma once

#include <string>

#include "velt/VeltExport.h"

namespace velt {
namespace platform {

enum class HiddenAnswer {
  kAnswered,     // a line was typed (it may be empty)
  kNoTerminal,   // the program has no terminal to ask on
  kEchoStaysOn,  // the terminal's echo could not be turned off; nothing was read
  kNoAnswer,     // the input ended, or could not be read, before anything was typed
};

// Shows `prompt` on the program's terminal (not on its standard output or
// error, which may be redirected), reads one line with echo off and puts
// the terminal back as it was. `answer` gets what was typed, without the
// line end; input that ends after something was typed counts as the line.
// An interrupt during the prompt (Ctrl-C) still restores the terminal
// before it ends the program as it would have. `error` is the error number
// (see SystemError.h) for kEchoStaysOn, 0 otherwise.
VELT_API HiddenAnswer ReadHiddenLine(const std::string& prompt, std::string& answer, int& error);

// Takes variable `name` out of the process environment, so that no program
// started later inherits it: true with its value, false when it is not set.
VELT_API bool TakeEnvironmentVariable(const std::string& name, std::string& value);

// On POSIX, for the rest of the process's life: no core file, and no other
// process of the user may attach to it. Windows has no such switch (only
// the process's user and administrators may read its memory there).
VELT_API void KeepMemoryPrivate();

}  // namespace platform
}  // namespace velt
