#include "platform/win32/CommandSearch.h"

#include <windows.h>

#include <vector>

#include "platform/Environment.h"
#include "velt/platform/TextEncoding.h"

namespace velt {
namespace platform {

std::wstring WindowsFolder() {
  // The shared Windows folder, also under Terminal Services, where
  // GetWindowsDirectoryW may name a private one of the user.
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  UINT length = GetSystemWindowsDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
  if (length >= buffer.size()) {
    buffer.resize(length + 1);
    length = GetSystemWindowsDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
  }
  if (length == 0 || length >= buffer.size()) {
    return L"C:\\Windows";
  }
  std::wstring folder(buffer.data(), length);
  while (folder.size() > 3 && folder.back() == L'\\') {
    folder.pop_back();
  }
  return folder;
}

std::wstring CommandSearchPath() {
  static const std::wstring kRoot = L"%SystemRoot%";
  std::wstring path = Widen(kCommandSearchPath);
  const std::wstring windows = WindowsFolder();
  for (size_t at = path.find(kRoot); at != std::wstring::npos;
       at = path.find(kRoot, at + windows.size())) {
    path.replace(at, kRoot.size(), windows);
  }
  return path;
}

std::wstring CommandInterpreter() { return WindowsFolder() + L"\\system32\\cmd.exe"; }

}  // namespace platform
}  // namespace velt
