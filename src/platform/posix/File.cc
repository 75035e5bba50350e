// Files on POSIX: one owned descriptor, opened with O_NOFOLLOW, O_EXCL and
// O_NONBLOCK where the rules of File ask for them, read and written with
// pread and pwrite.
#include "platform/File.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/posix/FileCalls.h"

namespace velt {
namespace platform {

struct File::Handle {
  posix::Fd fd;
};

namespace posix {

FileKind KindOfMode(mode_t mode) {
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

void FillDetails(const struct stat& info, const std::string& name, FileDetails& details) {
  details.isRegular = S_ISREG(info.st_mode);
  details.isDirectory = S_ISDIR(info.st_mode);
  details.isSymlink = S_ISLNK(info.st_mode);
  details.readOnly = (info.st_mode & S_IWUSR) == 0 && !details.isSymlink;
  details.hidden = name.size() > 1 && name[0] == '.' && name != "..";
  details.size = static_cast<uint64_t>(info.st_size);
  details.mode = static_cast<uint32_t>(info.st_mode);
  details.lastWrite = {static_cast<int64_t>(info.st_mtim.tv_sec),
                       static_cast<uint32_t>(info.st_mtim.tv_nsec)};
  details.lastAccess = {static_cast<int64_t>(info.st_atim.tv_sec),
                        static_cast<uint32_t>(info.st_atim.tv_nsec)};
  details.owner = static_cast<uint32_t>(info.st_uid);
  details.group = static_cast<uint32_t>(info.st_gid);
  details.device = static_cast<uint64_t>(info.st_dev);
  details.index = static_cast<uint64_t>(info.st_ino);
}

int OpenRegularFile(int folder, const std::string& name, bool followLinks, Fd& out,
                    FileKind& kind) {
  out.Reset();
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
    Fd opened(openat(folder, name.c_str(), flags));
    if (!opened.ok() || fstat(opened.get(), &info) != 0) {
      return errno;
    }
    kind = KindOfMode(info.st_mode);
    if (kind == FileKind::kRegular) {
      fcntl(opened.get(), F_SETFL, fcntl(opened.get(), F_GETFL) & ~O_NONBLOCK);
      out = std::move(opened);
      return 0;
    }
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

int ReadSmallFile(const std::string& path, size_t limit, std::string& bytes) {
  bytes.clear();
  File file;
  int error = file.Open(path);
  char buffer[65536];
  while (error == 0) {
    long count = file.Read(buffer, sizeof buffer, error);
    if (count <= 0) {
      break;
    }
    if (bytes.size() + static_cast<size_t>(count) > limit) {
      error = EFBIG;
      break;
    }
    bytes.append(buffer, static_cast<size_t>(count));
  }
  if (error != 0) {
    bytes.clear();
  }
  return error;
}

}  // namespace posix

namespace {

// Calls `call` (a read) until it is not interrupted: the count, or -1
// with `error` set.
template <typename Call>
long Uninterrupted(Call call, int& error) {
  for (;;) {
    ssize_t count = call();
    if (count >= 0) {
      error = 0;
      return static_cast<long>(count);
    }
    if (errno != EINTR) {
      error = errno;
      return -1;
    }
  }
}

// Writes all `size` bytes through `call` (a write of the bytes from an
// offset into the data), retrying partial and interrupted writes.
template <typename Call>
int WriteAll(const void* data, size_t size, Call call) {
  const char* bytes = static_cast<const char*>(data);
  for (size_t done = 0; done < size;) {
    ssize_t written = call(bytes + done, size - done, done);
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    done += static_cast<size_t>(written);
  }
  return 0;
}

}  // namespace

File::File() = default;
File::~File() = default;
File::File(File&&) noexcept = default;
File& File::operator=(File&&) noexcept = default;

int File::Open(const std::string& path, bool followLinks) {
  Close();
  posix::Fd fd;
  posix::FileKind kind;
  int error = posix::OpenRegularFile(AT_FDCWD, path, followLinks, fd, kind);
  if (error != 0) {
    return error;
  }
  posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
  m_handle.reset(new Handle{std::move(fd)});
  m_path = path;
  return 0;
}

int File::Create(const std::string& path, NewFileMode mode) {
  Close();
  const bool isPrivate = mode == NewFileMode::kPrivate;
  // O_EXCL refuses any existing name, links included, so the file is ours
  // and new; O_NOFOLLOW keeps the refusal even where O_EXCL is not honoured.
  posix::Fd fd(open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                    isPrivate ? 0600 : 0666));
  if (!fd.ok()) {
    return errno;
  }
  // The mask could only take bits away; a private file gets them exactly.
  struct stat info;
  if ((isPrivate && fchmod(fd.get(), 0600) != 0) || fstat(fd.get(), &info) != 0) {
    int error = errno;
    fd.Reset();
    unlink(path.c_str());
    return error;
  }
  m_device = static_cast<uint64_t>(info.st_dev);
  m_index = static_cast<uint64_t>(info.st_ino);
  m_handle.reset(new Handle{std::move(fd)});
  m_path = path;
  return 0;
}

int File::OpenForAppending(const std::string& path, bool& created) {
  Close();
  constexpr int kFlags = O_WRONLY | O_APPEND | O_NOFOLLOW | O_CLOEXEC;
  created = false;
  posix::Fd fd;
  for (;;) {
    fd.Reset(open(path.c_str(), kFlags | O_CREAT | O_EXCL, 0600));
    if (fd.ok()) {
      created = true;
      break;
    }
    if (errno != EEXIST) {
      return errno;
    }
    fd.Reset(open(path.c_str(), kFlags | O_NONBLOCK));
    if (fd.ok()) {
      break;
    }
    if (errno != ENOENT) {
      return errno;  // ELOOP for a link
    }
    // Removed between the two opens: create it after all.
  }
  // Appending to someone else's file, or to a FIFO or device, would hand
  // them the output or block the run.
  struct stat info;
  if (fstat(fd.get(), &info) != 0) {
    return errno;
  }
  if (!S_ISREG(info.st_mode)) {
    return EINVAL;
  }
  if (info.st_uid != geteuid()) {
    return EPERM;
  }
  if (!created && fcntl(fd.get(), F_SETFL, O_WRONLY | O_APPEND) != 0) {
    return errno;
  }
  m_device = static_cast<uint64_t>(info.st_dev);
  m_index = static_cast<uint64_t>(info.st_ino);
  m_handle.reset(new Handle{std::move(fd)});
  m_path = path;
  return 0;
}

int File::Details(FileDetails& details) const {
  struct stat info;
  if (!IsOpen()) {
    return EBADF;
  }
  if (fstat(m_handle->fd.get(), &info) != 0) {
    return errno;
  }
  posix::FillDetails(info, std::string(), details);
  return 0;
}

long File::Read(void* buffer, size_t size, int& error) {
  if (!IsOpen()) {
    error = EBADF;
    return -1;
  }
  const int fd = m_handle->fd.get();
  return Uninterrupted([&] { return read(fd, buffer, size); }, error);
}

long File::ReadAt(void* buffer, size_t size, uint64_t offset, int& error) {
  if (!IsOpen()) {
    error = EBADF;
    return -1;
  }
  const int fd = m_handle->fd.get();
  return Uninterrupted([&] { return pread(fd, buffer, size, static_cast<off_t>(offset)); },
                       error);
}

int File::Rewind() {
  if (!IsOpen()) {
    return EBADF;
  }
  return lseek(m_handle->fd.get(), 0, SEEK_SET) == 0 ? 0 : errno;
}

int File::WriteAt(const void* data, size_t size, uint64_t offset) {
  if (!IsOpen()) {
    return EBADF;
  }
  const int fd = m_handle->fd.get();
  return WriteAll(data, size, [fd, offset](const char* bytes, size_t left, size_t done) {
    return pwrite(fd, bytes, left, static_cast<off_t>(offset + done));
  });
}

int File::Append(const void* data, size_t size) {
  if (!IsOpen()) {
    return EBADF;
  }
  const int fd = m_handle->fd.get();
  return WriteAll(data, size,
                  [fd](const char* bytes, size_t left, size_t) { return write(fd, bytes, left); });
}

int File::CopyFrom(const File& source, uint64_t offset, uint64_t length) {
  if (!IsOpen() || !source.IsOpen()) {
    return EBADF;
  }
  const int fd = m_handle->fd.get();
  off_t end = lseek(fd, 0, SEEK_END);
  if (end < 0) {
    return errno;
  }
  uint64_t copied = 0;
  int error = posix::CopyRange(source.m_handle->fd.get(), fd, offset, static_cast<uint64_t>(end),
                               length, copied);
  if (error == 0 && lseek(fd, end + static_cast<off_t>(copied), SEEK_SET) < 0) {
    error = errno;
  }
  return error;
}

namespace {

// 0 when `path` still leads to the file with `device` and `index`, else
// the error (ESTALE for another file).
int NameLeadsTo(const std::string& path, uint64_t device, uint64_t index) {
  struct stat named;
  if (lstat(path.c_str(), &named) != 0) {
    return errno;
  }
  return static_cast<uint64_t>(named.st_dev) == device &&
                 static_cast<uint64_t>(named.st_ino) == index
             ? 0
             : ESTALE;
}

}  // namespace

int File::Lock() {
  if (!IsOpen()) {
    return EBADF;
  }
  if (flock(m_handle->fd.get(), LOCK_EX | LOCK_NB) != 0) {
    return errno == EWOULDBLOCK ? EAGAIN : errno;
  }
  // A cleaning run may have locked and removed the name in between.
  return NameLeadsTo(m_path, m_device, m_index) == 0 ? 0 : EAGAIN;
}

int File::SetOwner(uint32_t owner, uint32_t group) {
  if (!IsOpen()) {
    return EBADF;
  }
  return fchown(m_handle->fd.get(), owner, group) == 0 ? 0 : errno;
}

int File::SetModeAndTimes(const FileDetails& from) {
  if (!IsOpen()) {
    return EBADF;
  }
  const int fd = m_handle->fd.get();
  struct timespec times[2] = {
      {static_cast<time_t>(from.lastAccess.seconds), static_cast<long>(from.lastAccess.nanoseconds)},
      {static_cast<time_t>(from.lastWrite.seconds), static_cast<long>(from.lastWrite.nanoseconds)}};
  return fchmod(fd, from.mode & 07777) == 0 && futimens(fd, times) == 0 ? 0 : errno;
}

int File::Remove() {
  if (m_path.empty()) {
    return 0;
  }
  Close();
  int error = NameLeadsTo(m_path, m_device, m_index);
  if (error == 0 && unlink(m_path.c_str()) != 0) {
    error = errno;
  }
  m_path.clear();
  return error;
}

int File::Close() {
  if (!IsOpen()) {
    return 0;
  }
  int result = close(m_handle->fd.Release()) == 0 ? 0 : errno;
  m_handle.reset();
  return result;
}

}  // namespace platform
}  // namespace velt
