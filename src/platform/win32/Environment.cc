// The environment on Windows: variables through GetEnvironmentVariableW
// (their names, as Windows keeps them, in any case), the fixed environment
// of configured commands, the working folder and the user's profile folder.
#include "platform/Environment.h"

#include <userenv.h>
#include <windows.h>

#include <vector>

#include "platform/common/EnvironmentSteps.h"
#include "platform/common/RunVariables.h"
#include "platform/win32/CommandSearch.h"
#include "platform/win32/Win32Error.h"
#include "velt/platform/TextEncoding.h"

namespace velt {
namespace platform {
namespace {

// Variables that configured commands get as the engine has them: those
// that Windows programs expect to find (the system's and the user's
// folders, the machine and the account), nothing that carries secrets,
// proxies or the engine's own settings.
const char* const kPassedOn[] = {"ALLUSERSPROFILE",
                                 "APPDATA",
                                 "CommonProgramFiles",
                                 "CommonProgramFiles(x86)",
                                 "CommonProgramW6432",
                                 "COMPUTERNAME",
                                 "HOMEDRIVE",
                                 "HOMEPATH",
                                 "LOCALAPPDATA",
                                 "NUMBER_OF_PROCESSORS",
                                 "OS",
                                 "PROCESSOR_ARCHITECTURE",
                                 "PROCESSOR_ARCHITEW6432",
                                 "PROCESSOR_IDENTIFIER",
                                 "ProgramData",
                                 "ProgramFiles",
                                 "ProgramFiles(x86)",
                                 "ProgramW6432",
                                 "PUBLIC",
                                 "SystemDrive",
                                 "TEMP",
                                 "TMP",
                                 "TZ",
                                 "USERDOMAIN",
                                 "USERNAME",
                                 "USERPROFILE"};

// The folder for temporary files as Windows chooses it (TMP, TEMP, the
// profile, the Windows folder), without the trailing backslash.
std::string SystemTempFolder() {
  wchar_t buffer[MAX_PATH + 1];
  DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
  if (length == 0 || length > MAX_PATH) {
    return Narrow(WindowsFolder() + L"\\Temp");
  }
  while (length > 3 && buffer[length - 1] == L'\\') {
    --length;
  }
  return Narrow(std::wstring(buffer, length));
}

}  // namespace

// Windows' own default for the system's PATH, expanded by CommandSearchPath.
const char kCommandSearchPath[] =
    "%SystemRoot%\\system32;%SystemRoot%;%SystemRoot%\\System32\\Wbem;"
    "%SystemRoot%\\System32\\WindowsPowerShell\\v1.0";

std::vector<std::string> CommandEnvironment() {
  const std::string windows = Narrow(WindowsFolder());
  std::vector<std::string> entries = {
      "PATH=" + Narrow(CommandSearchPath()), "SystemRoot=" + windows, "windir=" + windows,
      "ComSpec=" + Narrow(CommandInterpreter()), "PATHEXT=.COM;.EXE;.BAT;.CMD"};
  std::string value;
  for (const char* name : kPassedOn) {
    if (ReadVariable(name, value)) {
      entries.push_back(std::string(name) + "=" + value);
    }
  }
  AppendRunVariables(entries);
  return entries;
}

// Windows keeps no empty variables, but a value of length 0 is told apart
// all the same.
bool ReadVariable(const std::string& name, std::string& value) {
  value.clear();
  const std::wstring wideName = Widen(name);
  std::vector<wchar_t> buffer(256);
  for (;;) {
    SetLastError(ERROR_SUCCESS);
    const DWORD length =
        GetEnvironmentVariableW(wideName.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) {
      return GetLastError() == ERROR_SUCCESS;
    }
    if (length < buffer.size()) {
      value = Narrow(std::wstring(buffer.data(), length));
      return true;
    }
    buffer.resize(length);  // the size it needs, with the terminating zero
  }
}

std::string DefaultTempFolder() { return SystemTempFolder(); }

int GetWorkingDirectory(std::string& directory) {
  directory.clear();
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  for (;;) {
    const DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length == 0) {
      return LastErrno();
    }
    if (length < buffer.size()) {
      directory = Narrow(std::wstring(buffer.data(), length));
      return 0;
    }
    buffer.resize(length);
  }
}

std::string HomeDirectory() {
  std::string home;
  if (ReadNonEmptyVariable("USERPROFILE", home)) {
    return home;
  }
  // The profile folder of the account the process runs as.
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
    return std::string();
  }
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  DWORD size = static_cast<DWORD>(buffer.size());
  BOOL found = GetUserProfileDirectoryW(token, buffer.data(), &size);
  if (!found && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
    buffer.resize(size);
    found = GetUserProfileDirectoryW(token, buffer.data(), &size);
  }
  CloseHandle(token);
  return found ? Narrow(buffer.data()) : std::string();
}

}  // namespace platform
}  // namespace velt
