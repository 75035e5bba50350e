#include "platform/PrivateDirectory.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <vector>

#include "platform/PartialFile.h"
#include "platform/posix/Descriptor.h"

namespace velt {
namespace platform {

namespace {

int OpenFolderNoFollow(const std::string& path) {
  return open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// True while `fd` is still the folder named `path` (a folder removed or
// replaced after it was opened is not).
bool StillNamed(int fd, const std::string& path) {
  struct stat opened;
  struct stat named;
  return fstat(fd, &opened) == 0 && lstat(path.c_str(), &named) == 0 &&
         opened.st_dev == named.st_dev && opened.st_ino == named.st_ino && opened.st_nlink > 0;
}

}  // namespace

int MakeDirectoryPrivate(const std::string& path) {
  // Open without following a link, then check and change what was opened,
  // so nothing can be swapped in between.
  int fd = OpenFolderNoFollow(path);
  if (fd < 0) {
    return errno == ELOOP ? EACCES : errno;
  }
  struct stat info;
  int error = 0;
  if (fstat(fd, &info) != 0) {
    error = errno;
  } else if (!S_ISDIR(info.st_mode) || info.st_uid != geteuid()) {
    error = EACCES;
  } else if ((info.st_mode & 07777) != 0700 && fchmod(fd, 0700) != 0) {
    error = errno;
  }
  close(fd);
  return error;
}

struct RunFolder::Lock {
  posix::Fd folder;
};

RunFolder::RunFolder() = default;
RunFolder::~RunFolder() = default;  // closing the descriptor drops its lock

void RunFolder::Release() { m_lock.reset(); }

int RunFolder::Create(const std::string& parent, const std::string& prefix) {
  Release();
  m_path.clear();
  // A run cleaning up leftovers may find the new folder between mkdtemp and
  // the lock and remove it; the folder is then made again under a new name.
  int error = EAGAIN;
  for (int attempt = 0; attempt < 8 && error != 0; ++attempt) {
    std::string name = parent + "/" + prefix + "_XXXXXX";
    std::vector<char> buffer(name.begin(), name.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr) {
      return errno;
    }
    name = buffer.data();
    const int fd = OpenFolderNoFollow(name);
    if (fd < 0) {
      error = errno;
      continue;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) == 0 && StillNamed(fd, name)) {
      m_path = name;
      m_lock.reset(new Lock{posix::Fd(fd)});
      error = 0;
    } else {
      close(fd);
      error = EAGAIN;
    }
  }
  return error;
}

namespace {

// Removes the entries of `parent` whose names `matches` approves and that a
// run of the effective user left behind: owned by that user, not links, not
// locked by a live run, folders (`folders`) or regular files with no other
// name. The lock is held while `remove` deletes one (0 on success), so a run
// that is just starting cannot take it in between. Returns how many went.
int RemoveAbandoned(const std::string& parent,
                    const std::function<bool(const std::string&)>& matches,
                    bool folders, const std::function<int(const std::string&)>& remove) {
  DIR* folder = opendir(parent.c_str());
  if (folder == nullptr) {
    return 0;
  }
  std::vector<std::string> names;
  while (dirent* entry = readdir(folder)) {
    if (matches(entry->d_name)) {
      names.push_back(entry->d_name);
    }
  }
  closedir(folder);

  int removed = 0;
  for (const std::string& name : names) {
    const std::string path = parent + "/" + name;
    struct stat info;
    // A file is looked at before it is opened: a device is never opened.
    if (!folders && (lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))) {
      continue;
    }
    const int fd = folders ? OpenFolderNoFollow(path)
                           : open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
      continue;  // a link, or not what a run made
    }
    const bool kindFits = fstat(fd, &info) == 0 && (folders ? S_ISDIR(info.st_mode)
                                                            : S_ISREG(info.st_mode) &&
                                                                  info.st_nlink == 1);
    if (kindFits && info.st_uid == geteuid() && flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        StillNamed(fd, path) && remove(path) == 0) {
      ++removed;
    }
    close(fd);
  }
  return removed;
}

}  // namespace

int RemoveAbandonedRunFolders(const std::string& parent, const std::string& prefix,
                              int (*remove)(const std::string& path)) {
  const std::string start = prefix + "_";
  return RemoveAbandoned(
      parent,
      [&start](const std::string& name) { return name.compare(0, start.size(), start) == 0; },
      true, remove);
}

int RemoveAbandonedPartialFiles(const std::string& folder) {
  return RemoveAbandoned(folder, &PartialFile::IsPartialName, false, [](const std::string& path) {
    return unlink(path.c_str()) == 0 ? 0 : errno;
  });
}

}  // namespace platform
}  // namespace velt
