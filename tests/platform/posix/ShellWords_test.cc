// How a command line is read without the shell: the words, whether the
// shell is needed, the program that must exist, and what the shell is given.
#include "platform/posix/ShellWords.h"

#include <gtest/gtest.h>

namespace {

using Words = std::vector<std::string>;

struct Case {
  std::string line;
  Words words;          // empty: the line needs the shell
  std::string program;  // what FirstProgram names; empty: none
};

// Each line here means to /bin/sh exactly the words given (checked by
// hand against dash and bash).
const Case kCases[] = {
    {"echo a  b\tc", {"echo", "a", "b", "c"}, "echo"},
    {"printf '<%s>' 'a b' \"\"", {"printf", "<%s>", "a b", ""}, "printf"},
    {"echo a\\ b \\$HOME \\\\", {"echo", "a b", "$HOME", "\\"}, "echo"},
    {"echo x\"y\"'z'", {"echo", "xyz"}, "echo"},
    // Inside double quotes a backslash escapes only $ ` " \ and the line
    // break; before anything else it stays.
    {"echo \"a\\\"b\" \"c\\\\d\" \"\\$x\" \"\\`\"", {"echo", "a\"b", "c\\d", "$x", "`"}, "echo"},
    {"echo \"a\\nb\" \"C:\\Program Files\\x\" \"\\'\"",
     {"echo", "a\\nb", "C:\\Program Files\\x", "\\'"},
     "echo"},
    {"echo \"\\\\\\\"\"", {"echo", "\\\""}, "echo"},
    {"echo 'a\\'", {"echo", "a\\"}, "echo"},  // no escapes inside single quotes
    {"/usr/bin/env -i", {"/usr/bin/env", "-i"}, "/usr/bin/env"},
    // The shell is needed from the first thing only it can work out.
    {"echo $HOME", {}, "echo"},
    {"echo \"$HOME\"", {}, "echo"},
    {"echo \"\\\\$HOME\"", {}, "echo"},  // an escaped backslash, then an expansion
    {"echo `date`", {}, "echo"},
    {"ls *.log", {}, "ls"},
    {"echo a | wc", {}, "echo"},
    {"echo a; echo b", {}, "echo"},
    {"echo a > out", {}, "echo"},
    {"echo a # note", {}, "echo"},
    {"echo ~", {}, "echo"},
    {"echo \"open", {}, "echo"},
    {"echo 'open", {}, "echo"},
    {"echo a\\", {}, "echo"},  // a backslash at the very end
    {"echo \"a\\\nb\"", {}, "echo"},
    {"echo a\\\nb", {}, "echo"},
    {std::string("echo \"a\\\0\"", 10), {}, "echo"},  // a zero byte is left to the shell
    // No program to check: an assignment, the shell's own words, an expansion first.
    {"X=1 env", {}, ""},
    {"exit 9", {}, ""},
    {"cd /tmp", {}, ""},
    {"$TOOL -v", {}, ""},
    {"", {}, ""},
    {"  \t", {}, ""},
};

TEST(ShellWords, PlainLinesAreTheShellsWordsAndTheRestNeedsTheShell) {
  for (const Case& c : kCases) {
    Words words{"left over"};
    EXPECT_EQ(!c.words.empty(), velt::platform::SplitPlainCommand(c.line, words)) << c.line;
    if (!c.words.empty()) {
      EXPECT_EQ(c.words, words) << c.line;
    }
    std::string program;
    EXPECT_EQ(!c.program.empty(), velt::platform::FirstProgram(c.line, program)) << c.line;
    if (!c.program.empty()) {
      EXPECT_EQ(c.program, program) << c.line;
    }
  }
}

TEST(ShellWords, OneSimpleCommandReplacesTheShell) {
  const std::pair<std::string, std::string> cases[] = {
      {"tool \"$X\"", "exec tool \"$X\""},
      {"ls *.log > out", "exec ls *.log > out"},
      {"a | b", "a | b"},
      {"a; b", "a; b"},
      {"(a)", "(a)"},
      {"X=1 tool", "X=1 tool"},
      {"> out tool", "> out tool"},
      {"exit 9", "exit 9"},
      {"  ", "  "},
  };
  for (const auto& c : cases) EXPECT_EQ(c.second, velt::platform::ShellLine(c.first)) << c.first;
}

}  // namespace
