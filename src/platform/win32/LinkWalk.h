// Walking a path one name at a time with the owner rule for links, for
// WalkedFolder and CollectCopy: every name is opened in the folder before
// it without following a reparse point, and a link (a symbolic link, a
// junction, a mount point) is followed only when one of the system's
// accounts owns it or its owner also owns what it leads to. Windows
// resolves ".." and a relative link's text by the text of the path, so
// the walk does too. For the Windows implementation only.
#pragma once

#include <windows.h>

#include <string>

#include "platform/WalkedFolder.h"
#include "platform/win32/FileCalls.h"

namespace velt {
namespace platform {
namespace win32 {

// Something reached by walking names: open for its attributes (never a
// link), its facts and its full path (through the links followed).
struct Reached {
  Handle object;
  EntryFacts facts;
  std::wstring path;
};

// Walks `path` (absolute, or relative to the working folder) from its
// root. `links` counts the links followed so far. Returns 0 with `out`
// filled, or an error number; a refused link gives EACCES with its path in
// `refusedLink`.
int WalkPath(const std::wstring& path, int& links, Reached& out, std::string& refusedLink);
// The same for `text` from the open folder `start`, whose full path is
// `startPath`.
int WalkFrom(HANDLE start, const std::wstring& startPath, const std::wstring& text, int& links,
             Reached& out, std::string& refusedLink);

// What a link says: where it leads (a full path, or one relative to the
// link's folder) and how it shows it.
struct LinkText {
  std::wstring target;
  bool relative = false;
  std::wstring shown;
};
// The text of the symbolic link, junction or mount point `link` (opened as
// itself). EINVAL for a reparse point of another kind.
int ReadLinkText(HANDLE link, LinkText& text);

}  // namespace win32

// The open folder of a WalkedFolder and its full path, for the other files
// of this implementation.
struct WalkedFolderAccess {
  static HANDLE Folder(const WalkedFolder& folder);
  static const std::wstring& FullPath(const WalkedFolder& folder);
};

}  // namespace platform
}  // namespace velt
