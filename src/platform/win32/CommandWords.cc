#include "platform/win32/CommandWords.h"

#include <cwchar>
#include <cwctype>

namespace velt {
namespace platform {
namespace {

// What cmd.exe gives a meaning of its own outside double quotes.
constexpr wchar_t kUnquotedSpecial[] = L"&|<>()^";

bool IsOneOf(wchar_t c, const wchar_t* chars) {
  return c != L'\0' && std::wcschr(chars, c) != nullptr;
}

// Whether cmd.exe runs `word` itself. It ends a command's name at some
// punctuation too ("cd..", "echo.", "dir/w"), so the name is compared up
// to the first of it.
bool IsInterpreterCommand(const std::wstring& word) {
  // clang-format off
  static const wchar_t* const kCommands[] = {
      L"assoc", L"break", L"call", L"cd", L"chdir", L"cls", L"color", L"copy", L"date", L"del",
      L"dir", L"dpath", L"echo", L"endlocal", L"erase", L"exit", L"for", L"ftype", L"goto", L"if",
      L"keys", L"md", L"mkdir", L"mklink", L"move", L"path", L"pause", L"popd", L"prompt",
      L"pushd", L"rd", L"rem", L"ren", L"rename", L"rmdir", L"set", L"setlocal", L"shift",
      L"start", L"time", L"title", L"type", L"ver", L"verify", L"vol"};
  // clang-format on
  std::wstring name;
  for (wchar_t c : word) {
    if (IsOneOf(c, L"./\\:+,;=[]")) {
      break;
    }
    name += static_cast<wchar_t>(std::towlower(c));
  }
  for (const wchar_t* command : kCommands) {
    if (name == command) {
      return true;
    }
  }
  return false;
}

}  // namespace

bool NamedProgram(const std::wstring& line, std::wstring& program) {
  program.clear();
  const size_t at = line.find_first_not_of(L" \t");
  if (at == std::wstring::npos) {
    return false;
  }
  std::wstring word;
  if (line[at] == L'"') {
    const size_t close = line.find(L'"', at + 1);
    // A word that goes on after its closing quote is put together by the
    // interpreter, not by CreateProcessW.
    if (close == std::wstring::npos ||
        (close + 1 < line.size() && line[close + 1] != L' ' && line[close + 1] != L'\t')) {
      return false;
    }
    word = line.substr(at + 1, close - at - 1);
  } else {
    const size_t end = line.find_first_of(L" \t", at);
    word = line.substr(at, end == std::wstring::npos ? end : end - at);
    for (wchar_t c : word) {
      if (c == L'"' || IsOneOf(c, kUnquotedSpecial)) {
        return false;
      }
    }
  }
  if (word.empty() || word.find(L'%') != std::wstring::npos || word[0] == L'@' || word[0] == L':' ||
      IsInterpreterCommand(word)) {
    return false;
  }
  program = word;
  return true;
}

bool NeedsInterpreter(const std::wstring& line) {
  bool quoted = false;
  for (wchar_t c : line) {
    if (c == L'"') {
      quoted = !quoted;
    } else if (c == L'%' || c == L'\r' || c == L'\n' || (!quoted && IsOneOf(c, kUnquotedSpecial))) {
      return true;
    }
  }
  std::wstring program;
  return !NamedProgram(line, program);
}

}  // namespace platform
}  // namespace velt
