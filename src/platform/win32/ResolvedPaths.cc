#include "velt/platform/ResolvedPaths.h"

#include <windows.h>

#include <vector>

#include "platform/FileSystem.h"
#include "platform/win32/FileCalls.h"
#include "platform/win32/Win32Error.h"
#include "velt/platform/TextEncoding.h"

namespace velt {
namespace platform {

int ResolvePath(const std::string& path, std::string& resolved) {
  // The system names the file it opened, through every link, by its path
  // on its drive ("\\?\C:\..." or "\\?\UNC\server\share\...").
  win32::Handle file;
  int error =
      win32::OpenPath(win32::SystemPath(path), FILE_READ_ATTRIBUTES, OPEN_EXISTING, true, file);
  if (error != 0) {
    return error;
  }
  std::vector<wchar_t> buffer(MAX_PATH);
  DWORD length;
  while ((length = GetFinalPathNameByHandleW(
              file.get(), buffer.data(), static_cast<DWORD>(buffer.size()),
              FILE_NAME_NORMALIZED | VOLUME_NAME_DOS)) >= buffer.size()) {
    buffer.resize(length + 1);
  }
  if (length == 0) {
    return LastErrno();
  }
  std::wstring final(buffer.data(), length);
  if (final.compare(0, 8, L"\\\\?\\UNC\\") == 0) {
    final = L"\\" + final.substr(7);
  } else if (final.compare(0, 4, L"\\\\?\\") == 0 && final.size() >= 6 && final[5] == L':') {
    final = final.substr(4);
  }
  resolved = Narrow(final);
  return 0;
}

std::string ProgramFolder() {
  std::vector<wchar_t> buffer(MAX_PATH);
  DWORD length;
  while ((length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()))) >=
         buffer.size()) {
    buffer.resize(2 * buffer.size());
  }
  std::string program;
  if (length == 0 || ResolvePath(Narrow(std::wstring(buffer.data(), length)), program) != 0) {
    return std::string();
  }
  return SplitPath(program).first;
}

}  // namespace platform
}  // namespace velt
