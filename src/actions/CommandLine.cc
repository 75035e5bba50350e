#include "actions/CommandLine.h"

#include "velt/platform/PathSeparator.h"

namespace velt {

std::wstring UnquotedProgram(const std::wstring& program) {
  if (program.size() >= 2 && program.front() == L'"' && program.back() == L'"') {
    return program.substr(1, program.size() - 2);
  }
  return program;
}

std::wstring ProgramInFolder(const std::wstring& folder, const std::wstring& program) {
  std::wstring bare = UnquotedProgram(program);
  if (folder.empty() || (!bare.empty() && bare[0] == kPathSeparator)) {
    return bare;
  }
  return folder.back() == kPathSeparator ? folder + bare : folder + kPathSeparator + bare;
}

std::wstring QuoteForShell(const std::wstring& path) {
  std::wstring quoted = L"\"";
  for (wchar_t c : path) {
    if (c == L'"' || c == L'\\' || c == L'$' || c == L'`') {
      quoted += L'\\';
    }
    quoted += c;
  }
  quoted += L'"';
  return quoted;
}

}  // namespace velt
