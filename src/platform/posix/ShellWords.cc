#include "platform/posix/ShellWords.h"

#include <cstring>

namespace velt {
namespace platform {
namespace {

// Words that the shell runs itself: `exec` cannot replace the shell by
// them, and no program of that name needs to exist.
bool IsShellOwnWord(const std::string& word) {
  // clang-format off
  static const char* const kWords[] = {
      "!", "{", "}", "[[", ".", ":", "alias", "bg", "break", "case", "cd", "chdir", "command",
      "continue", "do", "done", "elif", "else", "esac", "eval", "exec", "exit", "export", "fg",
      "fi", "for", "function", "getopts", "hash", "if", "jobs", "kill", "local", "read",
      "readonly", "return", "select", "set", "shift", "then", "times", "trap", "type", "ulimit",
      "umask", "unalias", "unset", "until", "wait", "while"};
  // clang-format on
  for (const char* own : kWords) {
    if (word == own) {
      return true;
    }
  }
  return false;
}

// Whether `c` is one of `chars` (never the terminating zero byte).
bool IsOneOf(char c, const char* chars) { return c != '\0' && std::strchr(chars, c) != nullptr; }

// Outside quotes: what makes the shell do more than split and unquote.
constexpr char kUnquotedSpecial[] = "|&;<>()$`*?[]#~{}!\n\r";
// Inside double quotes: what a backslash takes away the meaning of. Before
// any other character it is an ordinary character itself.
constexpr char kEscapableInDoubleQuotes[] = "$`\"\\\n";

enum class WordScan {
  kWord,   // a word, with its quotes and backslashes removed
  kEnd,    // no more words
  kShell,  // something only the shell can work out comes next
};

// Reads the next word of `line` from `at` as the shell reads it, as long as
// that needs no expansion: blanks separate words; single quotes, double
// quotes and backslashes quote. Operators, expansions, globs, comments and
// the like give kShell.
WordScan NextWord(const std::string& line, std::size_t& at, std::string& word) {
  word.clear();
  while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) {
    ++at;
  }
  if (at == line.size()) {
    return WordScan::kEnd;
  }
  while (at < line.size() && line[at] != ' ' && line[at] != '\t') {
    const char c = line[at++];
    if (c == '\\') {
      // A backslash and a line break join lines: the shell's work.
      if (at == line.size() || line[at] == '\n') {
        return WordScan::kShell;
      }
      word += line[at++];
    } else if (c == '\'') {
      std::size_t close = line.find('\'', at);
      if (close == std::string::npos) {
        return WordScan::kShell;
      }
      word += line.substr(at, close - at);
      at = close + 1;
    } else if (c == '"') {
      for (;;) {
        if (at == line.size() || line[at] == '$' || line[at] == '`' || line[at] == '\0') {
          return WordScan::kShell;
        }
        const char inner = line[at++];
        if (inner == '"') {
          break;
        }
        if (inner == '\\' && at < line.size() && IsOneOf(line[at], kEscapableInDoubleQuotes)) {
          if (line[at] == '\n') {
            return WordScan::kShell;
          }
          word += line[at++];
        } else {
          word += inner;
        }
      }
    } else if (c == '\0' || IsOneOf(c, kUnquotedSpecial)) {
      return WordScan::kShell;
    } else {
      word += c;
    }
  }
  return WordScan::kWord;
}

// Whether the shell would run `word`, the first word of a line, as a
// program: not a variable assignment, not one of the shell's own words.
bool NamesProgram(const std::string& word) {
  return !word.empty() && word.find('=') == std::string::npos && !IsShellOwnWord(word);
}

}  // namespace

bool SplitPlainCommand(const std::string& line, std::vector<std::string>& words) {
  words.clear();
  std::size_t at = 0;
  std::string word;
  for (;;) {
    switch (NextWord(line, at, word)) {
      case WordScan::kWord:
        words.push_back(word);
        break;
      case WordScan::kEnd:
        return !words.empty() && NamesProgram(words[0]);
      case WordScan::kShell:
        return false;
    }
  }
}

bool FirstProgram(const std::string& line, std::string& program) {
  std::size_t at = 0;
  return NextWord(line, at, program) == WordScan::kWord && NamesProgram(program);
}

std::string ShellLine(const std::string& line) {
  // Starting the program in place of the shell saves a fork: the child is
  // then the program itself.
  if (line.find_first_of(";&|()`\n") != std::string::npos) {
    return line;
  }
  size_t start = line.find_first_not_of(" \t");
  if (start == std::string::npos) {
    return line;
  }
  size_t end = line.find_first_of(" \t", start);
  std::string first = line.substr(start, end == std::string::npos ? end : end - start);
  if (first.find('=') != std::string::npos || first[0] == '<' || first[0] == '>' ||
      IsShellOwnWord(first)) {
    return line;
  }
  return "exec " + line;
}

}  // namespace platform
}  // namespace velt
