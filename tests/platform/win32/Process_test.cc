// Commands on Windows: which lines need cmd.exe, which program a line must
// find, and what the commands see when they run.
#include "platform/Process.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "platform/SystemError.h"
#include "platform/win32/CommandSearch.h"
#include "platform/win32/CommandWords.h"
#include "velt/platform/TextEncoding.h"

namespace {

using velt::platform::ErrorKind;

struct Case {
  std::wstring line;
  bool interpreter;      // only cmd.exe can run it
  std::wstring program;  // what NamedProgram names; empty: none
};

// clang-format off
const Case kCases[] = {
    {L"ipconfig /all", false, L"ipconfig"},
    {L"  wevtutil.exe qe System /c:20 /f:text", false, L"wevtutil.exe"},
    {L"\"C:\\Program Files\\Velt\\tool.exe\" -a \"b c\"", false, L"C:\\Program Files\\Velt\\tool.exe"},
    {L"\"a&b.exe\" \"x|y\" \"(z)\"", false, L"a&b.exe"},  // quoted: no operators
    // The interpreter's syntax, anywhere in the line.
    {L"ipconfig | find \"IPv4\"", true, L"ipconfig"},
    {L"ipconfig > out.txt", true, L"ipconfig"},
    {L"ipconfig & ver", true, L"ipconfig"},
    {L"ipconfig ^/all", true, L"ipconfig"},
    {L"tool \"%TEMP%\"", true, L"tool"},  // expanded within quotes too
    {L"tool a\nver", true, L"tool"},
    // No program to check: the interpreter's own commands, labels, "@",
    // an expansion or an open quote first.
    {L"echo hello", true, L""},
    {L"ECHO. x", true, L""},
    {L"dir/w", true, L""},
    {L"cd..", true, L""},
    {L"@ipconfig", true, L""},
    {L":label", true, L""},
    {L"%SystemRoot%\\system32\\ipconfig.exe", true, L""},
    {L"\"open ipconfig", true, L""},
    {L"\"C:\\x\"y.exe", true, L""},
    {L"(ipconfig)", true, L""},
    {L"", true, L""},
};
// clang-format on

TEST(Win32Process, LinesNeedTheInterpreterOnlyForItsOwnSyntax) {
  for (const Case& c : kCases) {
    std::wstring program = L"unset";
    EXPECT_EQ(!c.program.empty(), velt::platform::NamedProgram(c.line, program))
        << velt::Narrow(c.line);
    EXPECT_EQ(c.program, program) << velt::Narrow(c.line);
    EXPECT_EQ(c.interpreter, velt::platform::NeedsInterpreter(c.line)) << velt::Narrow(c.line);
  }
}

// Everything the command wrote, and how it ended.
std::string Captured(const std::string& line, unsigned& exitCode) {
  velt::platform::ChildProcess child;
  velt::platform::CommandOutput output;
  EXPECT_EQ(0, velt::platform::StartCaptured(line, child, output)) << line;
  std::string text;
  for (;;) {
    bool ready = false;
    char buffer[1024];
    size_t got = 0;
    EXPECT_EQ(0, output.WaitReadable(30000, ready));
    const int error = output.Read(buffer, sizeof(buffer), got);
    if (velt::platform::ErrorKindOf(error) == ErrorKind::kTryAgain) {
      continue;
    }
    if (error != 0 || got == 0 || !ready) {
      break;
    }
    text.append(buffer, got);
  }
  velt::platform::ChildWait outcome = velt::platform::ChildWait::kTimedOut;
  size_t wokenBy = 0;
  EXPECT_EQ(0, velt::platform::WaitChild(child, {}, 30000, outcome, wokenBy));
  EXPECT_EQ(velt::platform::ChildWait::kEnded, outcome) << line;
  exitCode = child.exitCode;
  velt::platform::ReleaseChild(child);
  return text;
}

// Commands run with the system's folders and nothing of the engine's own
// environment beyond what Windows programs expect; lines without the
// interpreter's syntax reach their program unchanged.
TEST(Win32Process, CommandsRunAsTheInterpreterWouldRunThem) {
  wchar_t path[4096];
  ASSERT_NE(0u, GetEnvironmentVariableW(L"PATH", path, 4096));
  ASSERT_TRUE(SetEnvironmentVariableW(L"PATH", L"C:\\evil"));
  ASSERT_TRUE(SetEnvironmentVariableW(L"VELT_TEST_PASSWORD", L"hunter2"));
  const std::string windows = velt::Narrow(velt::platform::WindowsFolder());
  const std::pair<std::string, std::string> cases[] = {
      {"echo a& echo b", "a\r\nb\r\n"},
      {"echo a^&b", "a&b\r\n"},
      {"echo %SystemRoot%;%VELT_TEST_PASSWORD%", windows + ";%VELT_TEST_PASSWORD%\r\n"},
      {"echo %PATH%", velt::Narrow(velt::platform::CommandSearchPath()) + "\r\n"},
      // Doubled backslashes, as a path quoted for the POSIX shell has them.
      {"\"" + windows + "\\\\system32\\\\cmd.exe\" /d /c exit 7", ""},
  };
  for (const auto& c : cases) {
    unsigned exitCode = 99;
    EXPECT_EQ(c.second, Captured(c.first, exitCode)) << c.first;
    EXPECT_EQ(c.first.find("exit 7") != std::string::npos ? 7u : 0u, exitCode) << c.first;
  }
  SetEnvironmentVariableW(L"VELT_TEST_PASSWORD", nullptr);
  SetEnvironmentVariableW(L"PATH", path);
}

// A program that the line names must exist, even when the interpreter runs
// the line; the engine's working folder and PATH are not searched.
TEST(Win32Process, MissingProgramsDoNotStart) {
  EXPECT_EQ(0, velt::platform::FindProgram("cmd"));
  EXPECT_EQ(0, velt::platform::FindProgram("ipconfig.EXE"));
  const std::pair<std::string, ErrorKind> cases[] = {
      {"no-such-program-velt", ErrorKind::kNotFound},
      {"no-such-program-velt | find \"x\"", ErrorKind::kNotFound},
      {"C:\\no-such-folder-velt\\tool.exe", ErrorKind::kNotAFolder},
      {"\"" + velt::Narrow(velt::platform::WindowsFolder()) + "\" /?", ErrorKind::kAccessDenied},
      {"win.ini", ErrorKind::kAccessDenied},  // found, but no program
  };
  for (const auto& c : cases) {
    velt::platform::ChildProcess child;
    EXPECT_EQ(c.second, velt::platform::ErrorKindOf(velt::platform::StartDetached(c.first, child)))
        << c.first;
  }
}

}  // namespace
