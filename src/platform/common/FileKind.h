// What a directory entry is, as both systems' file calls tell it (a FIFO,
// socket or device is named by the same kind on Windows as on POSIX), for
// the layer's own sources.
#pragma once

namespace velt {
namespace platform {

enum class FileKind {
  kRegular,
  kDirectory,
  kSymlink,  // on Windows a name surrogate: a symbolic link, a junction or a mount point
  kFifo,
  kSocket,
  kCharacterDevice,
  kBlockDevice,
  kOther,
};

}  // namespace platform
}  // namespace velt
