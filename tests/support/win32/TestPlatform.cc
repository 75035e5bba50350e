// The tests' system calls on Windows. The environment is changed both in
// the process (where the engine reads it) and in the C runtime's copy
// (where getenv reads it).
#include "support/TestPlatform.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <aclapi.h>

#include <cstdlib>

#include "platform/win32/FileOwner.h"
#include "support/TempDir.h"
#include "platform/win32/Win32Error.h"
#include "velt/platform/TextEncoding.h"

namespace velt {
namespace test {

const char kTextLineEnd[] = "\r\n";

void SetEnvironment(const char* name, const char* value) {
  const std::wstring wideName = Widen(name);
  const std::wstring wideValue = value != nullptr ? Widen(value) : std::wstring();
  SetEnvironmentVariableW(wideName.c_str(), value != nullptr ? wideValue.c_str() : nullptr);
  _wputenv_s(wideName.c_str(), wideValue.c_str());  // an empty value removes it
}

void PointTempAt(const char* folder) {
  SetEnvironment("TEMP", folder);
  SetEnvironment("TMP", folder);
}

std::string TempBase() {
  wchar_t buffer[MAX_PATH + 1];
  DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
  if (length == 0 || length > MAX_PATH) {
    return "C:\\Windows\\Temp";
  }
  while (length > 3 && buffer[length - 1] == L'\\') {
    --length;
  }
  return Narrow(std::wstring(buffer, length));
}

int MakeSymlink(const std::string& target, const std::string& link, bool directory) {
  const DWORD flags = (directory ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0) |
                      0x2 /* SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE */;
  if (CreateSymbolicLinkW(Widen(link).c_str(), Widen(target).c_str(), flags)) {
    return 0;
  }
  return platform::LastErrno();
}

bool SymlinksAvailable() {
  static const bool available = [] {
    // Wine makes a POSIX link of its own, which its listings and opens do
    // not treat as Windows treats a symbolic link.
    if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr) {
      return false;
    }
    const std::string probe = TempBase() + "\\velt-link-probe-" +
                              std::to_string(GetCurrentProcessId());
    const bool made = MakeSymlink("nowhere", probe) == 0;
    if (made) DeleteFileW(Widen(probe).c_str());
    return made;
  }();
  return available;
}

int SetAccessTime(const std::string& path, long long seconds) {
  HANDLE file = CreateFileW(Widen(path).c_str(), FILE_WRITE_ATTRIBUTES,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return platform::LastErrno();
  }
  // 100 ns units since 1601.
  const unsigned long long ticks = (static_cast<unsigned long long>(seconds) + 11644473600ULL) *
                                   10000000ULL;
  FILETIME accessed;
  accessed.dwLowDateTime = static_cast<DWORD>(ticks);
  accessed.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  const int error = SetFileTime(file, nullptr, &accessed, nullptr) ? 0 : platform::LastErrno();
  CloseHandle(file);
  return error;
}

const char kFullDevice[] = "";

const bool kHasFifos = false;

int MakeFifo(const std::string&) { return ENOSYS; }

bool IsPrivateFile(const std::string& path) {
  // Every entry of the DACL allows this user, or LocalSystem (which Wine
  // adds to what it stores, and which has every file anyway).
  platform::win32::Sid user;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  std::wstring wide = Widen(path);
  if (GetFileAttributesW(wide.c_str()) & FILE_ATTRIBUTE_DIRECTORY ||
      platform::win32::ThisUser(user) != 0 ||
      GetNamedSecurityInfoW(wide.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                            nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  bool mine = false;
  bool others = dacl == nullptr;  // no DACL: everyone has access
  for (WORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    if (!GetAce(dacl, i, &ace) ||
        static_cast<ACE_HEADER*>(ace)->AceType != ACCESS_ALLOWED_ACE_TYPE) {
      continue;
    }
    PSID sid = &static_cast<ACCESS_ALLOWED_ACE*>(ace)->SidStart;
    if (EqualSid(sid, user.data())) {
      mine = true;
    } else if (!IsWellKnownSid(sid, WinLocalSystemSid)) {
      others = true;
    }
  }
  LocalFree(descriptor);
  return mine && !others;
}

int MakeReadOnly(const std::string& path) {
  const std::wstring wide = Widen(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES ||
      !SetFileAttributesW(wide.c_str(), attributes | FILE_ATTRIBUTE_READONLY)) {
    return platform::LastErrno();
  }
  return 0;
}

int MakeExecutable(const std::string&) { return 0; }

std::string CreateFileCommand(const std::string& path) {
  // A program first: configured commands name the program they run.
  return "cmd /c type nul > " + ShellQuote(path);
}

bool IsPrivileged() {
  // Membership of the Administrators group that the token uses: an
  // elevated administrator's, not a filtered one's.
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID administrators = nullptr;
  if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0,
                                0, 0, 0, 0, 0, &administrators)) {
    return false;
  }
  BOOL member = FALSE;
  const bool checked = CheckTokenMembership(nullptr, administrators, &member);
  FreeSid(administrators);
  return checked && member;
}

int RunCommand(const std::string& command, std::string* output) {
  // _wpopen runs the line with cmd.exe /c, in the console's code page: the
  // line goes in as UTF-16, the output comes back as the command wrote it.
  std::FILE* pipe = _wpopen(Widen(command).c_str(), L"rb");
  if (pipe == nullptr) {
    return -1;
  }
  const std::string text = ReadAll(pipe);
  const int status = _pclose(pipe);
  if (output != nullptr) {
    *output = text;
  }
  return status;
}

std::string ShellQuote(const std::string& text) {
  // cmd.exe takes a double-quoted word as it is; a double quote inside is
  // doubled, as the programs' argument parsing reads it back.
  std::string quoted = "\"";
  for (char ch : text) {
    quoted += ch == '"' ? std::string("\"\"") : std::string(1, ch);
  }
  return quoted + "\"";
}

std::FILE* AnonymousFile() {
  // In the test program's folder: the runtime's tmpfile follows TEMP.
  static long made = 0;
  wchar_t program[MAX_PATH + 1];
  const DWORD length = GetModuleFileNameW(nullptr, program, MAX_PATH + 1);
  std::wstring folder(program, length);
  folder.erase(folder.find_last_of(L'\\') + 1);
  const std::wstring path = folder + L"velt-capture-" + std::to_wstring(GetCurrentProcessId()) +
                            L"-" + std::to_wstring(++made) + L".tmp";
  HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE,
                              nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    return nullptr;
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDWR | _O_BINARY);
  if (fd == -1) {
    CloseHandle(handle);
    return nullptr;
  }
  return _fdopen(fd, "w+b");
}

int RedirectStdout(std::FILE* file) {
  std::fflush(stdout);
  const int saved = _dup(_fileno(stdout));
  _dup2(_fileno(file), _fileno(stdout));  // also the process's STD_OUTPUT_HANDLE
  return saved;
}

void RestoreStdout(int saved) {
  std::fflush(stdout);
  _dup2(saved, _fileno(stdout));
  _close(saved);
}

}  // namespace test
}  // namespace velt
