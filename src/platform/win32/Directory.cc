#include "platform/Directory.h"

#include <windows.h>

#include <algorithm>

#include "platform/win32/FileCalls.h"
#include "velt/platform/TextEncoding.h"

namespace velt {
namespace platform {

int ListDirectory(const std::string& path, std::vector<DirEntry>& entries) {
  entries.clear();
  // The folder is opened as opendir opens it, through a link at its path;
  // its entries are described by the listing itself, links as links.
  win32::Handle folder;
  int error =
      win32::OpenPath(win32::SystemPath(path), FILE_LIST_DIRECTORY, OPEN_EXISTING, true, folder);
  int readError = 0;
  if (error == 0) {
    error = win32::ReadFolder(
        folder.get(),
        [&entries](const win32::FolderEntry& entry) {
          const win32::FileKind kind = win32::KindOf(entry.facts);
          entries.push_back(DirEntry{Narrow(entry.name), kind == win32::FileKind::kDirectory,
                                     kind == win32::FileKind::kSymlink});
          return true;
        },
        readError);
  }
  if (error == 0) {
    error = readError;
  }
  if (error != 0) {
    entries.clear();
    return error;
  }
  std::sort(entries.begin(), entries.end(), [](const DirEntry& a, const DirEntry& b) {
    return a.name < b.name;  // UTF-8 in byte order is code point order
  });
  return 0;
}

}  // namespace platform
}  // namespace velt
