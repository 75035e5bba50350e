#include "platform/CollectCopy.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

#include "platform/FileSystem.h"
#include "platform/WalkedFolder.h"
#include "platform/common/CopyLedger.h"
#include "platform/posix/FileCalls.h"
#include "platform/posix/LinkWalk.h"

namespace velt {
namespace platform {
namespace {

using posix::Fd;
using posix::JoinPath;
using posix::KindOfMode;
using posix::Reached;

// True for files the kernel makes up as they are read (/proc, /sys and
// their kind).
bool OnKernelFileSystem(int fd) {
  struct statfs info;
  if (fstatfs(fd, &info) != 0) {
    return false;
  }
  switch (info.f_type) {
    case PROC_SUPER_MAGIC:
    case SYSFS_MAGIC:
    case DEBUGFS_MAGIC:
    case TRACEFS_MAGIC:
    case SECURITYFS_MAGIC:
    case CGROUP_SUPER_MAGIC:
    case CGROUP2_SUPER_MAGIC:
      return true;
    default:
      return false;
  }
}

class TreeCopier : public CopyLedger {
 public:
  using CopyLedger::CopyLedger;

  // Copies what `source` (shown as `shown`) reached to the new entry `name`
  // of the open folder `destination`, which gets another name when it is
  // taken and `renameOnCollision`. 0, or an error that ends the whole copy
  // (a full disk, or the source itself being refused or failing at the
  // top); problems of entries inside a folder are noted and skipped.
  int Copy(Reached& source, const std::string& shown, int destination, std::string& name,
           bool renameOnCollision, int depth) {
    if (S_ISDIR(source.info.st_mode)) {
      return CopyFolder(source, shown, destination, name, renameOnCollision, depth);
    }
    if (!S_ISREG(source.info.st_mode)) {
      return Refuse(shown, RefusalOfKind(KindOfMode(source.info.st_mode)), depth);
    }
    Fd input;
    FileKind kind;
    int error = posix::OpenRegularFile(source.folder.get(), source.name, false, input, kind);
    if (error == EINVAL || error == EISDIR) {
      return Refuse(shown, RefusalOfKind(kind), depth);
    }
    if (error != 0) {
      return Fail(shown, error, depth);
    }
    struct stat info;
    if (fstat(input.get(), &info) != 0) {
      return Fail(shown, errno, depth);
    }
    Fd output;
    error = CreateEntry(destination, name, renameOnCollision, false, output);
    if (error != 0) {
      return Fail(shown, error, depth);
    }
    Created(depth);
    bool shortened = false;
    error = CopyData(input.get(), info, output.get(), shortened);
    if (error == 0) {
      error = SetTimes(info, output.get());
    }
    if (close(output.Release()) != 0 && error == 0) {
      error = errno;
    }
    if (error != 0) {
      unlinkat(destination, name.c_str(), 0);
      return Fail(shown, error, depth);
    }
    if (shortened) {
      Note(shown, CopyRefusal::kReadLimit, 0);
    }
    return 0;
  }

 private:
  int CopyFolder(Reached& source, const std::string& shown, int destination, std::string& name,
                 bool renameOnCollision, int depth) {
    const FolderIdentity self{source.info.st_dev, source.info.st_ino};
    const CopyRefusal refusal = FolderRefusal(self, depth);
    if (refusal != CopyRefusal::kNone) {
      return Refuse(shown, refusal, depth);
    }
    Fd folder(openat(source.folder.get(), source.name.c_str(),
                     O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat info;
    if (!folder.ok() || fstat(folder.get(), &info) != 0) {
      return Fail(shown, errno, depth);
    }
    Fd output;
    int error = CreateEntry(destination, name, renameOnCollision, true, output);
    if (error != 0) {
      return Fail(shown, error, depth);
    }
    if (depth == 0) {
      // The folder being written to is never copied into itself.
      Created(depth);
      struct stat created;
      if (fstat(output.get(), &created) == 0) SetTarget({created.st_dev, created.st_ino});
    }
    std::vector<std::string> names;
    error = ReadNames(folder.get(), names);
    if (error != 0) {
      Note(shown, CopyRefusal::kNone, error);  // the names read before it are still copied
      error = 0;
    }
    EnterFolder(self);
    for (std::string& entry : names) {
      const std::string entryShown = JoinPath(shown, entry);
      Reached reached;
      std::string refused;
      int links = 0;
      error = posix::WalkNames(folder.get(), shown, entry, links, reached, refused);
      if (error == 0) {
        std::string entryName = entry;
        error = Copy(reached, entryShown, output.get(), entryName, false, depth + 1);
      } else {
        error = WalkFailed(entryShown, refused, error, depth + 1);
      }
      if (error != 0) {
        break;  // only a full disk ends a folder's copy
      }
    }
    LeaveFolder();
    if (error == 0) {
      error = SetTimes(info, output.get());
    }
    return error;
  }

  // The names in the open folder, "." and ".." left out, in byte order.
  static int ReadNames(int folder, std::vector<std::string>& names) {
    DIR* dir = fdopendir(fcntl(folder, F_DUPFD_CLOEXEC, 0));
    if (dir == nullptr) {
      return errno;
    }
    errno = 0;
    while (struct dirent* entry = readdir(dir)) {
      std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
      errno = 0;
    }
    int error = errno;
    closedir(dir);
    std::sort(names.begin(), names.end());
    return error;
  }

  // Creates the file or folder `name` in `folder`, never through a link
  // and never over an existing entry.
  static int CreateEntry(int folder, std::string& name, bool renameOnCollision, bool isFolder,
                         Fd& out) {
    const std::string wanted = name;
    for (int number = 2;; ++number) {
      if (isFolder) {
        if (mkdirat(folder, name.c_str(), 0777) == 0) {
          out.Reset(openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
          return out.ok() ? 0 : errno;
        }
      } else {
        out.Reset(openat(folder, name.c_str(),
                         O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (out.ok()) return 0;
      }
      if (errno != EEXIST || !renameOnCollision || number >= 1000) {
        return errno;
      }
      name = CollisionName(wanted, number);
    }
  }

  // Copies the data of a regular file opened for reading, keeping holes.
  static int CopyData(int in, const struct stat& info, int out, bool& shortened) {
    const uint64_t size = static_cast<uint64_t>(info.st_size);
    uint64_t copied = 0;
    if (size == 0 || OnKernelFileSystem(in)) {
      // The kernel's files report no size or one that means nothing
      // (/proc/kcore): they are read to their end, within the bound.
      int error = posix::CopyRange(in, out, 0, 0, kSizelessReadLimit, copied);
      char probe;
      shortened = error == 0 && copied == kSizelessReadLimit &&
                  pread(in, &probe, 1, static_cast<off_t>(copied)) == 1;
      return error;
    }
    // The data between holes, up to the size the file had when opened.
    uint64_t end = size;
    for (uint64_t offset = 0; offset < size;) {
      off_t data = lseek(in, static_cast<off_t>(offset), SEEK_DATA);
      off_t hole = data < 0 ? -1 : lseek(in, data, SEEK_HOLE);
      if (data < 0 && errno == ENXIO) {
        break;  // only a hole is left
      }
      if (data < 0 || hole < 0) {
        data = static_cast<off_t>(offset);  // no hole finding here: all is data
        hole = static_cast<off_t>(size);
      }
      const uint64_t from = static_cast<uint64_t>(data);
      const uint64_t to = std::min(static_cast<uint64_t>(hole), size);
      if (from >= size) {
        break;
      }
      int error = posix::CopyRange(in, out, from, from, to - from, copied);
      if (error != 0) {
        return error;
      }
      if (copied < to - from) {
        end = from + copied;  // the file shrank meanwhile
        break;
      }
      offset = to;
    }
    return ftruncate(out, static_cast<off_t>(end)) == 0 ? 0 : errno;
  }

  static int SetTimes(const struct stat& info, int to) {
    struct timespec times[2] = {info.st_atim, info.st_mtim};
    return futimens(to, times) == 0 ? 0 : errno;
  }

};

// Removes what a failed copy left at `name` in `folder`.
void RemoveTree(int folder, const std::string& name) {
  if (unlinkat(folder, name.c_str(), 0) == 0 || errno != EISDIR) {
    return;
  }
  Fd inner(openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (inner.ok()) {
    if (DIR* dir = fdopendir(fcntl(inner.get(), F_DUPFD_CLOEXEC, 0))) {
      std::vector<std::string> names;
      while (struct dirent* entry = readdir(dir)) {
        std::string entryName = entry->d_name;
        if (entryName != "." && entryName != "..") names.push_back(entryName);
      }
      closedir(dir);
      for (const std::string& entryName : names) RemoveTree(inner.get(), entryName);
    }
  }
  unlinkat(folder, name.c_str(), AT_REMOVEDIR);
}

uint64_t SumRegularFiles(int folder, int depth) {
  uint64_t total = 0;
  DIR* dir = fdopendir(fcntl(folder, F_DUPFD_CLOEXEC, 0));
  if (dir == nullptr) {
    return 0;
  }
  while (struct dirent* entry = readdir(dir)) {
    const char* name = entry->d_name;
    struct stat info;
    if (fstatat(folder, name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (S_ISREG(info.st_mode)) {
      total += static_cast<uint64_t>(info.st_size);
    } else if (S_ISDIR(info.st_mode) && depth < kMaxCopyDepth && std::string(name) != "." &&
               std::string(name) != "..") {
      Fd inner(openat(folder, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
      if (inner.ok()) total += SumRegularFiles(inner.get(), depth + 1);
    }
  }
  closedir(dir);
  return total;
}

}  // namespace

int CopyForCollection(const WalkedFolder& folder, const std::string& name,
                      const std::string& destination, CopyOutcome& outcome) {
  outcome = CopyOutcome();
  TreeCopier copier(outcome);
  const std::string source = JoinPath(folder.path(), name);
  // The folder holding the source was reached by the owner rule; from its
  // entry on, links must pass the rule too.
  Reached reached;
  std::string refused;
  int links = 0;
  int error = folder.IsOpen() ? posix::WalkNames(WalkedFolderAccess::Descriptor(folder),
                                                 folder.path(), name, links, reached, refused)
                              : EBADF;
  if (error != 0) {
    return copier.WalkFailed(source, refused, error, 0);
  }
  auto [destinationFolder, destinationName] = SplitPath(destination);
  error = CreateDirectories(destinationFolder);
  Fd to(error == 0 ? open(destinationFolder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC) : -1);
  if (!to.ok()) {
    outcome.failure = CopyProblem{destination, CopyRefusal::kNone, error != 0 ? error : errno};
    return outcome.failure.error;
  }
  std::string written = destinationName;
  error = copier.Copy(reached, source, to.get(), written, true, 0);
  if (error != 0) {
    if (copier.createdTop()) {
      RemoveTree(to.get(), written);
    }
    return error;
  }
  outcome.written = JoinPath(destinationFolder, written);
  return 0;
}

int TotalRegularFileSize(const std::string& path, uint64_t& total) {
  Fd folder(open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!folder.ok()) {
    return errno;
  }
  total = SumRegularFiles(folder.get(), 0);
  return 0;
}

}  // namespace platform
}  // namespace velt
