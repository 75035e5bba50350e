#include "platform/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace velt {
namespace platform {
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

struct timespec FromFileTime(uint64_t fileTime) {
  struct timespec time;
  time.tv_sec = static_cast<time_t>(fileTime / 10000000ULL) -
                static_cast<time_t>(kEpochDifference);
  time.tv_nsec = static_cast<long>((fileTime % 10000000ULL) * 100);
  return time;
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

}  // namespace

int GetFileStatus(const std::string& path, bool followLinks, FileStatus& status) {
  status = FileStatus();
  struct stat info;
  // Without following, a trailing "/" would make lstat resolve a link.
  std::string target = followLinks ? path : WithoutTrailingSlashes(path);
  if ((followLinks ? stat(target.c_str(), &info) : lstat(target.c_str(), &info)) != 0) {
    return errno;
  }
  FillStatus(info, LastElement(WithoutTrailingSlashes(path)), status);
  return 0;
}

int SearchDirectory(const std::string& folder,
                    const std::function<bool(const std::string&)>& accept,
                    std::vector<FoundEntry>& found) {
  found.clear();
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) {
    return errno;
  }
  // Examining each entry relative to the open folder saves walking the
  // folder's path again for every name.
  const int fd = dirfd(dir);
  errno = 0;
  while (struct dirent* entry = readdir(dir)) {
    const char* name = entry->d_name;
    if (accept(name)) {
      struct stat info;
      if (fstatat(fd, name, &info, AT_SYMLINK_NOFOLLOW) == 0) {
        FoundEntry item;
        item.name = name;
        FillStatus(info, item.name, item.status);
        item.leadsToDirectory = item.status.isDirectory;
        struct stat target;
        if (item.status.isSymlink && fstatat(fd, name, &target, 0) == 0) {
          item.leadsToDirectory = S_ISDIR(target.st_mode);
        }
        found.push_back(std::move(item));
      }
    }
    errno = 0;
  }
  int error = errno;
  closedir(dir);
  if (error != 0) {
    found.clear();
    return error;
  }
  std::sort(found.begin(), found.end(), [](const FoundEntry& a, const FoundEntry& b) {
    return a.name < b.name;  // std::string compares as unsigned bytes
  });
  return 0;
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

File::~File() { Close(); }

int File::OpenForReading(const std::string& path) {
  Close();
  m_fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  return m_fd >= 0 ? 0 : errno;
}

int File::CreateNew(const std::string& path) {
  Close();
  m_fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  return m_fd >= 0 ? 0 : errno;
}

int File::CreateOrTruncate(const std::string& path) {
  Close();
  m_fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
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
  // The kernel copies (or shares extents) without passing the data through
  // this process; sendfile and then plain reads cover file systems and
  // kernels that cannot.
  constexpr size_t kChunk = size_t{1} << 30;
  off_t position = static_cast<off_t>(offset);
  bool kernelCopy = true;
  bool sendFile = true;
  std::vector<char> buffer;
  while (length > 0) {
    size_t want = length < kChunk ? static_cast<size_t>(length) : kChunk;
    ssize_t done = -1;
    if (kernelCopy) {
      done = copy_file_range(source.m_fd, &position, m_fd, nullptr, want, 0);
      if (done < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL ||
                       errno == EOPNOTSUPP || errno == EPERM)) {
        kernelCopy = false;
        continue;
      }
    } else if (sendFile) {
      done = sendfile(m_fd, source.m_fd, &position, want);
      if (done < 0 && (errno == EINVAL || errno == ENOSYS)) {
        sendFile = false;
        continue;
      }
    } else {
      buffer.resize(1 << 20);
      size_t piece = want < buffer.size() ? want : buffer.size();
      done = pread(source.m_fd, buffer.data(), piece, position);
      if (done > 0) {
        ssize_t written = 0;
        while (written < done) {
          ssize_t step = write(m_fd, buffer.data() + written, static_cast<size_t>(done - written));
          if (step < 0) {
            if (errno == EINTR) continue;
            return errno;
          }
          written += step;
        }
        position += done;
      }
    }
    if (done < 0) {
      if (errno == EINTR) {
        continue;
      }
      return errno;
    }
    if (done == 0) {
      if (kernelCopy || sendFile) {
        // Some kernels report an empty copy for files of /proc and /sys;
        // only a plain read tells the end of the source for sure.
        kernelCopy = false;
        sendFile = false;
        continue;
      }
      break;  // the source ended
    }
    length -= static_cast<uint64_t>(done);
  }
  return 0;
}

int File::SetTimes(uint64_t lastAccessTime, uint64_t lastWriteTime) {
  struct timespec times[2] = {FromFileTime(lastAccessTime), FromFileTime(lastWriteTime)};
  return futimens(m_fd, times) == 0 ? 0 : errno;
}

}  // namespace platform
}  // namespace velt
