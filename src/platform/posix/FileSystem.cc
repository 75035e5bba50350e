#include "platform/FileSystem.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/posix/EntryStatus.h"

namespace velt {
namespace platform {

const size_t kPathLimit = PATH_MAX;

namespace {

// Seconds between 1601-01-01 and 1970-01-01.
constexpr uint64_t kEpochDifference = 11644473600ULL;

uint64_t ToFileTime(const struct timespec& time) {
  if (time.tv_sec < -static_cast<int64_t>(kEpochDifference)) {
    return 0;
  }
  return (static_cast<uint64_t>(time.tv_sec + static_cast<int64_t>(kEpochDifference))) *
             10000000ULL +
         static_cast<uint64_t>(time.tv_nsec) / 100;
}

std::string WithoutTrailingSlashes(const std::string& path) {
  std::string trimmed = path;
  while (trimmed.size() > 1 && trimmed.back() == '/') {
    trimmed.pop_back();
  }
  return trimmed;
}

std::string LastElement(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

namespace posix {

void FillStatus(const struct stat& info, const std::string& name, FileStatus& status) {
  status.isDirectory = S_ISDIR(info.st_mode);
  status.isRegular = S_ISREG(info.st_mode);
  status.isSymlink = S_ISLNK(info.st_mode);
  status.readOnly = (info.st_mode & S_IWUSR) == 0 && !status.isSymlink;
  status.hidden = name.size() > 1 && name[0] == '.' && name != "..";
  status.size = static_cast<uint64_t>(info.st_size);
  status.lastAccessTime = ToFileTime(info.st_atim);
  status.lastWriteTime = ToFileTime(info.st_mtim);
  status.device = static_cast<uint64_t>(info.st_dev);
  status.inode = static_cast<uint64_t>(info.st_ino);
}

}  // namespace posix

int GetFileStatus(const std::string& path, bool followLinks, FileStatus& status) {
  status = FileStatus();
  struct stat info;
  // Without following, a trailing "/" would make lstat resolve a link.
  std::string target = followLinks ? path : WithoutTrailingSlashes(path);
  if ((followLinks ? stat(target.c_str(), &info) : lstat(target.c_str(), &info)) != 0) {
    return errno;
  }
  posix::FillStatus(info, LastElement(WithoutTrailingSlashes(path)), status);
  return 0;
}

std::pair<std::string, std::string> SplitPath(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return {".", path};
  if (slash == 0) return {"/", path.size() > 1 ? path.substr(1) : "."};
  return {path.substr(0, slash), path.substr(slash + 1)};
}

int DeleteFileEntry(const std::string& path) {
  std::string target = WithoutTrailingSlashes(path);
  struct stat info;
  if (lstat(target.c_str(), &info) != 0) {
    return errno;
  }
  if (S_ISDIR(info.st_mode)) {
    return EISDIR;
  }
  if (!S_ISLNK(info.st_mode) && (info.st_mode & S_IWUSR) == 0) {
    return EACCES;
  }
  return unlink(target.c_str()) == 0 ? 0 : errno;
}

int RemoveEmptyDirectory(const std::string& path) {
  std::string target = WithoutTrailingSlashes(path);
  struct stat info;
  if (lstat(target.c_str(), &info) != 0) {
    return errno;
  }
  if (!S_ISDIR(info.st_mode)) {
    return ENOTDIR;
  }
  return rmdir(target.c_str()) == 0 ? 0 : errno;
}

int CreateOneDirectory(const std::string& path) {
  return mkdir(path.c_str(), 0777) == 0 ? 0 : errno;
}

int CreateDirectories(const std::string& path) {
  std::string target = WithoutTrailingSlashes(path);
  if (target.empty()) {
    return 0;
  }
  struct stat info;
  if (stat(target.c_str(), &info) == 0) {
    return S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
  }
  size_t slash = target.find_last_of('/');
  if (slash != std::string::npos && slash > 0) {
    int error = CreateDirectories(target.substr(0, slash));
    if (error != 0) {
      return error;
    }
  }
  if (mkdir(target.c_str(), 0777) != 0 && errno != EEXIST) {
    return errno;
  }
  return 0;
}

FileKind KindOfMode(uint32_t mode) {
  switch (mode & S_IFMT) {
    case S_IFREG:
      return FileKind::kRegular;
    case S_IFDIR:
      return FileKind::kDirectory;
    case S_IFLNK:
      return FileKind::kSymlink;
    case S_IFIFO:
      return FileKind::kFifo;
    case S_IFSOCK:
      return FileKind::kSocket;
    case S_IFCHR:
      return FileKind::kCharacterDevice;
    case S_IFBLK:
      return FileKind::kBlockDevice;
    default:
      return FileKind::kOther;
  }
}

int OpenRegularFile(int folder, const std::string& name, bool followLinks, int& fd,
                    FileKind& kind) {
  fd = -1;
  struct stat info;
  if (fstatat(folder, name.c_str(), &info, followLinks ? 0 : AT_SYMLINK_NOFOLLOW) != 0) {
    return errno;
  }
  // Looking first means a device is never opened (opening one can have
  // effects of its own); only a regular file is opened.
  kind = KindOfMode(info.st_mode);
  if (kind == FileKind::kRegular) {
    // Non-blocking, so that a FIFO put in its place meanwhile cannot hold
    // us here; it is refused below like any other kind.
    int flags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (followLinks ? 0 : O_NOFOLLOW);
    int opened = openat(folder, name.c_str(), flags);
    if (opened < 0) {
      return errno;
    }
    if (fstat(opened, &info) != 0) {
      int error = errno;
      close(opened);
      return error;
    }
    kind = KindOfMode(info.st_mode);
    if (kind == FileKind::kRegular) {
      fcntl(opened, F_SETFL, fcntl(opened, F_GETFL) & ~O_NONBLOCK);
      fd = opened;
      return 0;
    }
    close(opened);
  }
  if (kind == FileKind::kSymlink) {
    return ELOOP;
  }
  return kind == FileKind::kDirectory ? EISDIR : EINVAL;
}

int CopyRange(int in, int out, uint64_t inOffset, uint64_t outOffset, uint64_t length,
              uint64_t& copied) {
  // The kernel copies (or shares extents) without passing the data through
  // this process; plain reads and writes cover file systems and kernels
  // that cannot, and find the end of files of /proc and /sys, for which
  // some kernels report an empty copy.
  constexpr size_t kChunk = size_t{1} << 30;
  constexpr size_t kBuffer = size_t{1} << 20;
  copied = 0;
  off_t from = static_cast<off_t>(inOffset);
  off_t to = static_cast<off_t>(outOffset);
  bool kernelCopy = true;
  std::vector<char> buffer;
  while (copied < length) {
    const uint64_t left = length - copied;
    ssize_t done;
    if (kernelCopy) {
      done = copy_file_range(in, &from, out, &to, left < kChunk ? left : kChunk, 0);
      if (done < 0 && errno == EINTR) {
        continue;
      }
      if (done <= 0) {
        if (done < 0 && errno != EXDEV && errno != ENOSYS && errno != EINVAL &&
            errno != EOPNOTSUPP && errno != EPERM) {
          return errno;
        }
        kernelCopy = false;  // the end, or no kernel copy here: plain reads tell
        continue;
      }
    } else {
      buffer.resize(kBuffer);
      done = pread(in, buffer.data(), left < kBuffer ? left : kBuffer, from);
      if (done < 0) {
        if (errno == EINTR) continue;
        return errno;
      }
      if (done == 0) {
        break;  // the source ended
      }
      for (ssize_t written = 0; written < done;) {
        ssize_t step = pwrite(out, buffer.data() + written, static_cast<size_t>(done - written),
                              to + written);
        if (step < 0) {
          if (errno == EINTR) continue;
          return errno;
        }
        written += step;
      }
      from += done;
      to += done;
    }
    copied += static_cast<uint64_t>(done);
  }
  return 0;
}

File::~File() { Close(); }

int File::OpenForReading(const std::string& path, bool followLinks) {
  Close();
  FileKind kind;
  return OpenRegularFile(AT_FDCWD, path, followLinks, m_fd, kind);
}

int File::CreateNew(const std::string& path) {
  Close();
  m_fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  return m_fd >= 0 ? 0 : errno;
}

int File::Close() {
  if (m_fd < 0) {
    return 0;
  }
  int result = close(m_fd) == 0 ? 0 : errno;
  m_fd = -1;
  return result;
}

int File::Size(uint64_t& size) const {
  struct stat info;
  if (fstat(m_fd, &info) != 0) {
    return errno;
  }
  size = static_cast<uint64_t>(info.st_size);
  return 0;
}

int File::CopyFrom(const File& source, uint64_t offset, uint64_t length) {
  off_t end = lseek(m_fd, 0, SEEK_END);
  if (end < 0) {
    return errno;
  }
  uint64_t copied = 0;
  int error = CopyRange(source.m_fd, m_fd, offset, static_cast<uint64_t>(end), length, copied);
  if (error == 0 && lseek(m_fd, end + static_cast<off_t>(copied), SEEK_SET) < 0) {
    error = errno;
  }
  return error;
}

}  // namespace platform
}  // namespace velt
