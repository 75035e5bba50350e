// Walking a path one name at a time with the owner rule for links, for
// WalkedFolder and CollectCopy: every name is examined and opened without
// following a link, and a link is followed only when root owns it or its
// owner also owns what it leads to.
#pragma once

#include <sys/stat.h>

#include <string>

#include "platform/WalkedFolder.h"
#include "platform/posix/Descriptor.h"

namespace velt {
namespace platform {
namespace posix {

// Something reached by walking names: the folder holding it (open with
// O_PATH) and its name there, which is never a link.
struct Reached {
  Fd folder;
  std::string name;
  struct stat info;
};

// `folder` and `name` joined by one separator.
std::string JoinPath(const std::string& folder, const std::string& name);

// Walks the path `text` from the open folder `start` (from "/" when the
// text is absolute) one name at a time, checking every link it meets,
// on the way and at the end, and every link inside a link's own text, with
// the owner rule. `shown` is the start's path, for messages; `links`
// counts the links followed so far. Returns 0 with `out` filled, or an
// error number; a refused link gives EACCES with its path in
// `refusedLink`.
int WalkNames(int start, const std::string& shown, const std::string& text, int& links,
              Reached& out, std::string& refusedLink);

}  // namespace posix

// The descriptor of an open WalkedFolder (O_PATH), for the other files of
// this implementation.
struct WalkedFolderAccess {
  static int Descriptor(const WalkedFolder& folder);
};

}  // namespace platform
}  // namespace velt
