// The last step of WalkedFolder::RemoveEntry, the same on every system:
// the entry was found to be the one meant, and is removed unless it is a
// folder or a file whose owner may not write it.
#pragma once

#include <functional>

#include "platform/WalkedFolder.h"

namespace velt {
namespace platform {

// Removes the entry described by `details` with `remove` (0 or the error
// number): a folder is refused with EISDIR, a read-only file with EACCES,
// as DeleteFileEntry refuses it. `error` holds the error number of kFailed.
EntryRemoval RemoveCheckedEntry(const FileDetails& details, const std::function<int()>& remove,
                                int& error);

}  // namespace platform
}  // namespace velt
