// The POSIX steps of a new version of a file: the copy takes the original's
// owner and group with chown (only the privileged may give another user's),
// and its permission bits with its times.
#include <unistd.h>

#include "platform/common/ReplacementSteps.h"

namespace velt {
namespace platform {
namespace replacement {

std::string FolderOf(const std::string& original) {
  const size_t slash = original.rfind('/');
  return slash == std::string::npos ? std::string() : original.substr(0, slash + 1);
}

unsigned long ProcessNumber() { return static_cast<unsigned long>(getpid()); }

int GiveOwner(const std::string&, const FileDetails& details, File& copy) {
  return copy.SetOwner(details.owner, details.group);
}

FileDetails FinalDetails(const FileDetails& details) { return details; }

// The permission bits are all there is, and FinalDetails gave them.
int GiveAccess(const std::string&, const std::string&) { return 0; }

}  // namespace replacement
}  // namespace platform
}  // namespace velt
