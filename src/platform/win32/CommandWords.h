// How cmd.exe reads a command line, as far as the engine needs to know it
// to start a command without the interpreter: the program that the line's
// first word names plainly, and whether the line needs the interpreter at
// all. Part of the win32 implementation of Process.h.
#pragma once

#include <string>

namespace velt {
namespace platform {

// The program that the first word of `line` names, as CreateProcessW reads
// that word (within double quotes, else up to the first blank), when the
// interpreter would take it as it is: nothing it expands or removes (%, ^),
// none of its operators, not a label, not "@" and not one of its own
// commands (echo, dir, type, set, ...). False when there is none.
bool NamedProgram(const std::wstring& line, std::wstring& program);

// Whether only cmd.exe can run `line`: a % anywhere (it expands variables
// within double quotes too); outside double quotes a caret, an operator,
// a redirection or a parenthesis; a line break; or a first word that is
// no NamedProgram.
bool NeedsInterpreter(const std::wstring& line);

}  // namespace platform
}  // namespace velt
