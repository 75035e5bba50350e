// Composing the command line of an external command: the program inside
// its folder, quoted for the shell, the same way for both ways of running a
// command.
#pragma once

#include <string>

namespace velt {

// `program` without the double quotes around it, if it has them.
std::wstring UnquotedProgram(const std::wstring& program);

// The path of `program` (quotes removed) inside `folder`: joined with one
// separator, unless the folder is empty or the program an absolute path.
std::wstring ProgramInFolder(const std::wstring& folder, const std::wstring& program);

// `path` in double quotes, with the characters that stay special inside
// them escaped, so that the shell takes it as one word, as written.
std::wstring QuoteForShell(const std::wstring& path);

}  // namespace velt
