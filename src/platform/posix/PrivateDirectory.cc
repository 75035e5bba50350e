#include "platform/PrivateDirectory.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

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

RunFolder::~RunFolder() { Release(); }

void RunFolder::Release() {
  if (m_lock >= 0) {
    close(m_lock);  // closing the descriptor drops its lock
    m_lock = -1;
  }
}

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
      m_lock = fd;
      error = 0;
    } else {
      close(fd);
      error = EAGAIN;
    }
  }
  return error;
}

int RemoveAbandonedRunFolders(const std::string& parent, const std::string& prefix,
                              int (*remove)(const std::string& path)) {
  DIR* folder = opendir(parent.c_str());
  if (folder == nullptr) {
    return 0;
  }
  const std::string start = prefix + "_";
  std::vector<std::string> names;
  while (dirent* entry = readdir(folder)) {
    const std::string name = entry->d_name;
    if (name.compare(0, start.size(), start) == 0) {
      names.push_back(name);
    }
  }
  closedir(folder);

  int removed = 0;
  for (const std::string& name : names) {
    const std::string path = parent + "/" + name;
    const int fd = OpenFolderNoFollow(path);
    if (fd < 0) {
      continue;  // a link or a file: not a folder a run made
    }
    struct stat info;
    // Holding the lock while removing keeps a run that is just starting
    // from taking the folder in between.
    if (fstat(fd, &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == geteuid() &&
        flock(fd, LOCK_EX | LOCK_NB) == 0 && StillNamed(fd, path) && remove(path) == 0) {
      ++removed;
    }
    close(fd);
  }
  return removed;
}

}  // namespace platform
}  // namespace velt
