// Files and folders by path on Windows. Every removal opens the name
// itself (never what a reparse point leads to), checks what it opened and
// deletes through that handle, so what is checked is what goes.
#include "platform/FileSystem.h"

#include <windows.h>

#include "platform/win32/FileCalls.h"
#include "platform/win32/Win32Error.h"
#include "velt/platform/TextEncoding.h"

namespace velt {
namespace platform {

// The longest path the system takes, in UTF-16 units ("\\?\" paths).
const size_t kPathLimit = 32767;

namespace {

std::wstring WithoutTrailingSeparators(std::wstring path) {
  const size_t root = win32::RootLength(path);
  while (path.size() > root && path.size() > 1 && win32::IsSeparator(path.back())) {
    path.pop_back();
  }
  return path;
}

std::wstring SystemPathOf(const std::string& path) {
  return win32::SystemPath(Narrow(WithoutTrailingSeparators(Widen(path))));
}

// Opens the entry `path` itself for deleting, with its facts.
int OpenForDeleting(const std::string& path, win32::Handle& entry, win32::EntryFacts& facts) {
  int error = win32::OpenPath(SystemPathOf(path), DELETE | FILE_READ_ATTRIBUTES, OPEN_EXISTING,
                              false, entry);
  return error != 0 ? error : win32::FactsOf(entry.get(), facts);
}

int CreateFolder(const std::wstring& path) {
  return CreateDirectoryW(path.c_str(), nullptr) ? 0 : LastErrno();
}

}  // namespace

int GetFileDetails(const std::string& path, bool followLinks, FileDetails& details) {
  details = FileDetails();
  const std::wstring wide = SystemPathOf(path);
  if (win32::NamesADevice(wide)) {
    // Described without being opened, as POSIX describes /dev/null.
    details.mode = win32::kModeCharacterDevice | 0666;
    return 0;
  }
  win32::Handle examined;
  win32::EntryFacts facts;
  int error = win32::ExaminePath(wide, followLinks, examined, facts);
  if (error == 0) {
    win32::FillDetails(facts, details);
  }
  return error;
}

std::pair<std::string, std::string> SplitPath(std::string path) {
  const std::wstring wide = WithoutTrailingSeparators(Widen(path));
  const size_t root = win32::RootLength(wide);
  size_t separator = wide.size();
  while (separator > root && !win32::IsSeparator(wide[separator - 1])) --separator;
  if (separator == root) {
    // Directly below the root, or no folder at all.
    const std::wstring name = wide.substr(root);
    return {root == 0 ? std::string(".") : Narrow(wide.substr(0, root)),
            name.empty() ? std::string(".") : Narrow(name)};
  }
  return {Narrow(wide.substr(0, separator - 1)), Narrow(wide.substr(separator))};
}

int DeleteFileEntry(const std::string& path) {
  win32::Handle entry;
  win32::EntryFacts facts;
  int error = OpenForDeleting(path, entry, facts);
  if (error != 0) {
    return error;
  }
  FileDetails details;
  win32::FillDetails(facts, details);
  if (details.isDirectory) {
    return EISDIR;
  }
  if (details.readOnly) {
    return EACCES;
  }
  return win32::DeleteByHandle(entry.get());
}

int RemoveEmptyDirectory(const std::string& path) {
  win32::Handle entry;
  win32::EntryFacts facts;
  int error = OpenForDeleting(path, entry, facts);
  if (error != 0) {
    return error;
  }
  if (win32::KindOf(facts) != win32::FileKind::kDirectory) {
    return ENOTDIR;
  }
  return win32::DeleteByHandle(entry.get());
}

int CreateOneDirectory(const std::string& path) { return CreateFolder(win32::SystemPath(path)); }

int CreateDirectories(const std::string& path) {
  const std::wstring target = WithoutTrailingSeparators(Widen(path));
  if (target.empty()) {
    return 0;
  }
  FileDetails details;
  if (GetFileDetails(path, true, details) == 0) {
    return details.isDirectory ? 0 : ENOTDIR;
  }
  const size_t root = win32::RootLength(target);
  size_t separator = target.size();
  while (separator > root && !win32::IsSeparator(target[separator - 1])) --separator;
  if (separator > root) {
    int error = CreateDirectories(Narrow(target.substr(0, separator - 1)));
    if (error != 0) {
      return error;
    }
  }
  int error = CreateFolder(win32::SystemPath(Narrow(target)));
  return error == EEXIST ? 0 : error;
}

}  // namespace platform
}  // namespace velt
