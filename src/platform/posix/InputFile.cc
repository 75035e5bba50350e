#include "platform/InputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace velt {
namespace platform {

namespace {

void FillDetails(const struct stat& info, FileDetails& details) {
  details.isRegular = S_ISREG(info.st_mode);
  details.isDirectory = S_ISDIR(info.st_mode);
  details.size = static_cast<uint64_t>(info.st_size);
  details.mode = static_cast<uint32_t>(info.st_mode);
  details.lastWriteSeconds = static_cast<int64_t>(info.st_mtime);
  details.device = static_cast<uint64_t>(info.st_dev);
  details.index = static_cast<uint64_t>(info.st_ino);
}

}  // namespace

int GetFileDetails(const std::string& path, FileDetails& details) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) {
    return errno;
  }
  FillDetails(info, details);
  return 0;
}

bool IsSameFile(const FileDetails& a, const FileDetails& b) {
  return a.device == b.device && a.index == b.index;
}

InputFile::~InputFile() { Close(); }

int InputFile::Open(const std::string& path) {
  Close();
  // Non-blocking, so that a FIFO without a writer cannot hold us here; the
  // flag means nothing for the regular files that are kept.
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    return errno;
  }
  struct stat info;
  if (fstat(fd, &info) != 0) {
    int error = errno;
    close(fd);
    return error;
  }
  if (!S_ISREG(info.st_mode)) {
    close(fd);
    return S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
  }
  int flags = fcntl(fd, F_GETFL);
  if (flags >= 0) {
    fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  }
  posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  m_fd = fd;
  return 0;
}

void InputFile::Close() {
  if (m_fd >= 0) {
    close(m_fd);
    m_fd = -1;
  }
}

int InputFile::Details(FileDetails& details) const {
  struct stat info;
  if (fstat(m_fd, &info) != 0) {
    return errno;
  }
  FillDetails(info, details);
  return 0;
}

long InputFile::Read(void* buffer, size_t size, int& error) {
  for (;;) {
    ssize_t count = read(m_fd, buffer, size);
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

int InputFile::Rewind() { return lseek(m_fd, 0, SEEK_SET) == 0 ? 0 : errno; }

}  // namespace platform
}  // namespace velt
