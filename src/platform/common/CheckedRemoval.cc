#include "platform/common/CheckedRemoval.h"

#include "platform/common/ErrorNumbers.h"

namespace velt {
namespace platform {

EntryRemoval RemoveCheckedEntry(const FileDetails& details, const std::function<int()>& remove,
                                int& error) {
  if (details.isDirectory) {
    error = EISDIR;
  } else if (details.readOnly) {
    error = EACCES;
  } else {
    error = remove();
  }
  if (error == ENOENT) {
    return EntryRemoval::kGone;
  }
  return error == 0 ? EntryRemoval::kRemoved : EntryRemoval::kFailed;
}

}  // namespace platform
}  // namespace velt
