// How /bin/sh reads a command line, as far as the engine needs to know it
// to start a command without the shell: the words of a line that uses no
// shell syntax beyond quoting, the program a line names plainly, and the
// line the shell is given otherwise. Part of the POSIX implementation of
// Process.h; nothing outside src/platform/posix/ and its tests uses it.
#pragma once

#include <string>
#include <vector>

namespace velt {
namespace platform {

// The words of `line` when the shell would need nothing but its quoting to
// read it (blanks between words; single quotes, double quotes and
// backslashes) and its first word names a program: the line then means
// exactly these words, and can run without a shell. False when it needs
// the shell: expansions, globs, operators, redirections, comments,
// assignments, the shell's own words, unterminated quotes.
bool SplitPlainCommand(const std::string& line, std::vector<std::string>& words);

// The program that the first word of `line` names plainly (without an
// expansion in it, not an assignment or one of the shell's own words),
// also when the rest of the line needs the shell; false when there is none.
bool FirstProgram(const std::string& line, std::string& program);

// The line the shell is given: a line that is one simple command gets
// `exec` in front, so that the shell replaces itself by the program;
// lists, pipelines, subshells, assignments, redirections first and the
// shell's own words run as written.
std::string ShellLine(const std::string& line);

}  // namespace platform
}  // namespace velt
