#include "velt/platform/Secrets.h"

#include <windows.h>

#include <cstdlib>
#include <vector>

#include "platform/win32/Win32Error.h"
#include "velt/platform/TextEncoding.h"

namespace velt {
namespace platform {
namespace {

// The console's input mode while echo is off, for the control handler to
// put back if the user interrupts the prompt.
HANDLE g_console = INVALID_HANDLE_VALUE;
DWORD g_savedMode = 0;

BOOL WINAPI RestoreConsole(DWORD) {
  if (g_console != INVALID_HANDLE_VALUE) {
    SetConsoleMode(g_console, g_savedMode);
  }
  return FALSE;  // the next handler, or the default one that ends the program, runs
}

// The console's input or its screen, whatever standard input and output
// were redirected to; closed when it goes.
class ConsoleHandle {
 public:
  explicit ConsoleHandle(const wchar_t* name)
      : m_handle(CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, 0, nullptr)) {}
  ~ConsoleHandle() {
    if (m_handle != INVALID_HANDLE_VALUE) CloseHandle(m_handle);
  }
  ConsoleHandle(const ConsoleHandle&) = delete;
  ConsoleHandle& operator=(const ConsoleHandle&) = delete;
  HANDLE get() const { return m_handle; }

 private:
  HANDLE m_handle;
};

void WriteConsoleText(HANDLE screen, const std::wstring& text) {
  DWORD written = 0;
  WriteConsoleW(screen, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

}  // namespace

HiddenAnswer ReadHiddenLine(const std::string& prompt, std::string& answer, int& error) {
  error = 0;
  answer.clear();
  ConsoleHandle input(L"CONIN$");
  ConsoleHandle screen(L"CONOUT$");
  DWORD mode = 0;
  if (input.get() == INVALID_HANDLE_VALUE || screen.get() == INVALID_HANDLE_VALUE ||
      !GetConsoleMode(input.get(), &mode)) {
    return HiddenAnswer::kNoTerminal;
  }
  g_savedMode = mode;
  g_console = input.get();
  SetConsoleCtrlHandler(RestoreConsole, TRUE);
  // The console still edits the line and turns Ctrl-C into an interrupt;
  // only the echo goes.
  const DWORD quiet = (mode | ENABLE_LINE_INPUT | ENABLE_PROCESSED_INPUT) & ~ENABLE_ECHO_INPUT;
  if (!SetConsoleMode(input.get(), quiet)) {
    error = LastErrno();
    g_console = INVALID_HANDLE_VALUE;
    SetConsoleCtrlHandler(RestoreConsole, FALSE);
    return HiddenAnswer::kEchoStaysOn;
  }
  WriteConsoleText(screen.get(), Widen(prompt));
  std::wstring line;
  wchar_t units[256];
  bool ended = false;
  while (!ended) {
    DWORD got = 0;
    if (!ReadConsoleW(input.get(), units, 256, &got, nullptr) || got == 0) {
      break;  // the input ended or the read was interrupted
    }
    // The line ends in CR LF, which may arrive split over two reads; up to
    // the LF everything is read, so nothing of it is left for the next prompt.
    for (DWORD i = 0; i < got && !ended; ++i) {
      ended = units[i] == L'\n';
      if (!ended && units[i] != L'\r') line += units[i];
    }
  }
  SecureZeroMemory(units, sizeof units);
  // With echo off the console does not show the line end either.
  WriteConsoleText(screen.get(), L"\r\n");
  SetConsoleMode(input.get(), mode);
  g_console = INVALID_HANDLE_VALUE;
  SetConsoleCtrlHandler(RestoreConsole, FALSE);
  answer = Narrow(line);
  SecureZeroMemory(&line[0], line.size() * sizeof(wchar_t));
  return ended || !answer.empty() ? HiddenAnswer::kAnswered : HiddenAnswer::kNoAnswer;
}

bool TakeEnvironmentVariable(const std::string& name, std::string& value) {
  const std::wstring wideName = Widen(name);
  const DWORD needed = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
  if (needed == 0) {
    return false;  // not set (an empty value has a size of 1)
  }
  std::vector<wchar_t> buffer(needed);
  const DWORD length = GetEnvironmentVariableW(wideName.c_str(), buffer.data(), needed);
  value = Narrow(std::wstring(buffer.data(), length < needed ? length : 0));
  SecureZeroMemory(buffer.data(), buffer.size() * sizeof(wchar_t));
  // Gone from the process environment that children inherit, and from the
  // C runtime's copy of it.
  SetEnvironmentVariableW(wideName.c_str(), nullptr);
  _wputenv_s(wideName.c_str(), L"");
  return true;
}

// Windows has no switch for it: what guards a process's memory is the
// system's own rule, that only its user and administrators may read it.
void KeepMemoryPrivate() {}

}  // namespace platform
}  // namespace velt
