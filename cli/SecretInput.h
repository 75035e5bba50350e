// Reading a secret (a password or token) for a command without ever taking
// it from the command line itself, where other users could see it in the
// process list: from a file, from an environment variable, or typed at the
// terminal without echo.
#pragma once

#include <string>

namespace velt {
namespace cli {

struct SecretSource {
  std::string file;                 // read this file; one trailing line end is dropped
  std::string environmentVariable;  // take the value of this variable
  std::string prompt;               // not empty: ask on the terminal with this prompt
  // Not empty: on the terminal, ask a second time with this prompt; two
  // answers that differ are refused (a mistyped password would make a
  // bundle nobody can open).
  std::string confirmPrompt;
};

// At most one source may be named. With none, `secret` is empty and the
// result true. False, with the reason printed on standard error (never the
// secret), when the source cannot be read, more than one is named, or the
// secret is empty (an empty variable, a file holding only a line end, an
// empty answer): a secret that was asked for is never silently dropped.
//
// Once a source is named the process is made non-dumpable (no core file,
// no ptrace by other processes of the user) for the rest of its life, and a
// variable is removed from the environment as soon as it is read, so that no
// command the engine starts inherits it.
bool ReadSecret(const SecretSource& source, std::string& secret);

// Overwrites the characters of `secret` before it is released.
void WipeSecret(std::string& secret);
void WipeSecret(std::wstring& secret);

}  // namespace cli
}  // namespace velt
