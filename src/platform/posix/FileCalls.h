// The descriptor-level file calls that the POSIX files of this layer share:
// what a mode means, opening a regular file relative to an open folder,
// the kernel's copy between descriptors and the details of a stat record.
// For the POSIX implementation only.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/File.h"
#include "platform/common/FileKind.h"
#include "platform/posix/Descriptor.h"

namespace velt {
namespace platform {
namespace posix {

// What a directory entry is (common/FileKind.h), by its mode.
using platform::FileKind;
FileKind KindOfMode(mode_t mode);

// The details in `info`; `name` is the entry's last name (hidden names
// begin with ".").
void FillDetails(const struct stat& info, const std::string& name, FileDetails& details);

// Opens the regular file `name` (relative to the open folder `folder`, or
// to the working directory for AT_FDCWD) for reading, as File::Open
// describes it: 0 with `out` set, or an error number (EISDIR for a folder,
// EINVAL for other kinds with `kind` saying which, ELOOP for a link when
// followLinks is false).
int OpenRegularFile(int folder, const std::string& name, bool followLinks, Fd& out,
                    FileKind& kind);

// Copies up to `length` bytes of the open file `in` from `inOffset` to the
// open file `out` at `outOffset`, through the kernel's copy where it can.
// Stops early, without error, when `in` ends first; `copied` says how much
// was copied.
int CopyRange(int in, int out, uint64_t inOffset, uint64_t outOffset, uint64_t length,
              uint64_t& copied);

// The whole of the regular file `path` (links followed), which must not
// hold more than `limit` bytes: 0, or an error number (EFBIG when it holds
// more, EINVAL when it is a FIFO, socket or device, opened without waiting).
int ReadSmallFile(const std::string& path, size_t limit, std::string& bytes);
// The bound for small text files of the system and the user (os-release,
// user-dirs.dirs).
constexpr size_t kSmallTextLimit = 64 * 1024;

}  // namespace posix

}  // namespace platform
}  // namespace velt
