#include "platform/WalkedFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <linux/openat2.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/common/CheckedRemoval.h"
#include "platform/posix/FileCalls.h"
#include "platform/posix/LinkWalk.h"

namespace velt {
namespace platform {

struct WalkedFolder::Handle {
  posix::Fd folder;  // O_PATH
};

int WalkedFolderAccess::Descriptor(const WalkedFolder& folder) {
  return folder.m_handle->folder.get();
}

namespace {

// The folder `path` when no link lies anywhere on the way: the kernel
// resolves it in one call and refuses every link (openat2 with
// RESOLVE_NO_SYMLINKS). Any failure, a link on the way included, and a
// kernel without openat2 leave it to the walk, which decides.
int OpenWithoutLinks(const std::string& path, posix::Fd& out) {
#ifdef SYS_openat2
  struct open_how how = {};
  how.flags = O_PATH | O_DIRECTORY | O_CLOEXEC;
  how.resolve = RESOLVE_NO_SYMLINKS;
  const long fd = syscall(SYS_openat2, AT_FDCWD, path.c_str(), &how, sizeof how);
  if (fd >= 0) {
    out.Reset(static_cast<int>(fd));
    return 0;
  }
  return errno;
#else
  (void)path;
  (void)out;
  return ENOSYS;
#endif
}

}  // namespace

WalkedFolder::WalkedFolder() = default;
WalkedFolder::~WalkedFolder() = default;
WalkedFolder::WalkedFolder(WalkedFolder&&) noexcept = default;
WalkedFolder& WalkedFolder::operator=(WalkedFolder&&) noexcept = default;

int WalkedFolder::Open(const std::string& path, std::string& refusedLink) {
  m_handle.reset();
  m_path = path;
  refusedLink.clear();
  posix::Fd folder;
  if (OpenWithoutLinks(path, folder) != 0) {
    posix::Fd start(open(".", O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!start.ok()) {
      return errno;
    }
    posix::Reached reached;
    int links = 0;
    int error = posix::WalkNames(start.get(), "", path, links, reached, refusedLink);
    if (error != 0) {
      return error;
    }
    if (!S_ISDIR(reached.info.st_mode)) {
      return ENOTDIR;
    }
    folder.Reset(openat(reached.folder.get(), reached.name.c_str(),
                        O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!folder.ok()) {
      return errno;
    }
  }
  m_handle = std::make_unique<Handle>();
  m_handle->folder = std::move(folder);
  return 0;
}

bool WalkedFolder::SameFolder(const WalkedFolder& other) const {
  struct stat mine, theirs;
  return IsOpen() && other.IsOpen() && fstat(m_handle->folder.get(), &mine) == 0 &&
         fstat(other.m_handle->folder.get(), &theirs) == 0 && mine.st_dev == theirs.st_dev &&
         mine.st_ino == theirs.st_ino;
}

int WalkedFolder::Search(const std::function<bool(const std::string&)>& accept,
                         std::vector<FoundEntry>& found, int& readError) const {
  found.clear();
  readError = 0;
  if (!IsOpen()) {
    return EBADF;
  }
  // Reading needs a descriptor of its own; "." of the open folder is the
  // folder itself, whatever its path names now.
  posix::Fd readable(openat(m_handle->folder.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  DIR* dir = readable.ok() ? fdopendir(readable.get()) : nullptr;
  if (dir == nullptr) {
    return errno;
  }
  readable.Release();  // the stream owns it now
  const int fd = dirfd(dir);
  errno = 0;
  while (struct dirent* entry = readdir(dir)) {
    const char* name = entry->d_name;
    if (accept(name)) {
      struct stat info;
      if (fstatat(fd, name, &info, AT_SYMLINK_NOFOLLOW) == 0) {
        FoundEntry item;
        item.name = name;
        posix::FillDetails(info, item.name, item.status);
        item.leadsToDirectory = item.status.isDirectory;
        struct stat target;
        if (item.status.isSymlink && fstatat(fd, name, &target, 0) == 0) {
          item.leadsToDirectory = S_ISDIR(target.st_mode);
        }
        found.push_back(std::move(item));
      } else if (errno != ENOENT) {
        break;
      }
    }
    errno = 0;
  }
  readError = errno;
  closedir(dir);
  std::sort(found.begin(), found.end(), [](const FoundEntry& a, const FoundEntry& b) {
    return a.name < b.name;  // std::string compares as unsigned bytes
  });
  return 0;
}

int WalkedFolder::Status(const std::string& name, bool followLinks, FileDetails& status) const {
  status = FileDetails();
  struct stat info;
  if (!IsOpen()) {
    return EBADF;
  }
  if (fstatat(m_handle->folder.get(), name.c_str(), &info, followLinks ? 0 : AT_SYMLINK_NOFOLLOW) !=
      0) {
    return errno;
  }
  posix::FillDetails(info, name, status);
  return 0;
}

int WalkedFolder::ReadLink(const std::string& name, std::string& target) const {
  char buffer[PATH_MAX];
  const ssize_t length =
      IsOpen() ? readlinkat(m_handle->folder.get(), name.c_str(), buffer, sizeof buffer) : -1;
  if (length < 0) {
    return IsOpen() ? errno : EBADF;
  }
  target.assign(buffer, static_cast<size_t>(length));
  return 0;
}

EntryRemoval WalkedFolder::RemoveEntry(const std::string& name, uint64_t device, uint64_t inode,
                                       int& error) const {
  error = 0;
  struct stat info;
  if (!IsOpen()) {
    error = EBADF;
    return EntryRemoval::kFailed;
  }
  const int folder = m_handle->folder.get();
  if (fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
    error = errno;
    return error == ENOENT ? EntryRemoval::kGone : EntryRemoval::kFailed;
  }
  if (static_cast<uint64_t>(info.st_dev) != device || static_cast<uint64_t>(info.st_ino) != inode) {
    return EntryRemoval::kReplaced;
  }
  FileDetails details;
  posix::FillDetails(info, name, details);
  return RemoveCheckedEntry(
      details, [&] { return unlinkat(folder, name.c_str(), 0) == 0 ? 0 : errno; }, error);
}

}  // namespace platform
}  // namespace velt
