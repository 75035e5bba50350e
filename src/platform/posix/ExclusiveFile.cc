#include "platform/ExclusiveFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/MoveIntoPlace.h"

namespace velt {
namespace platform {

ExclusiveFile::~ExclusiveFile() { Close(); }

int ExclusiveFile::Create(const std::string& path) {
  Close();
  // O_EXCL refuses any existing name, links included, so the file is ours
  // and new; O_NOFOLLOW keeps the refusal even where O_EXCL is not honoured.
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) {
    return errno;
  }
  // The mask could only take bits away; set them exactly.
  struct stat info;
  if (fchmod(fd, 0600) != 0 || fstat(fd, &info) != 0) {
    int error = errno;
    close(fd);
    unlink(path.c_str());
    return error;
  }
  m_device = static_cast<uint64_t>(info.st_dev);
  m_index = static_cast<uint64_t>(info.st_ino);
  m_fd = fd;
  m_path = path;
  return 0;
}

int ExclusiveFile::WriteAt(const void* data, size_t size, uint64_t offset) {
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t written = pwrite(m_fd, bytes, size, static_cast<off_t>(offset));
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    bytes += written;
    size -= static_cast<size_t>(written);
    offset += static_cast<uint64_t>(written);
  }
  return 0;
}

int ExclusiveFile::ReadAt(void* data, size_t size, uint64_t offset) {
  char* bytes = static_cast<char*>(data);
  while (size > 0) {
    ssize_t count = pread(m_fd, bytes, size, static_cast<off_t>(offset));
    if (count < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (count == 0) {
      return EIO;
    }
    bytes += count;
    size -= static_cast<size_t>(count);
    offset += static_cast<uint64_t>(count);
  }
  return 0;
}

int ExclusiveFile::Size(uint64_t& size) const {
  struct stat info;
  if (fstat(m_fd, &info) != 0) {
    return errno;
  }
  size = static_cast<uint64_t>(info.st_size);
  return 0;
}

int ExclusiveFile::NameLeadsHere() const {
  struct stat named;
  if (lstat(m_path.c_str(), &named) != 0) {
    return errno;
  }
  return static_cast<uint64_t>(named.st_dev) == m_device &&
                 static_cast<uint64_t>(named.st_ino) == m_index
             ? 0
             : ESTALE;
}

int ExclusiveFile::Lock() {
  if (flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
    return errno == EWOULDBLOCK ? EAGAIN : errno;
  }
  // A cleaning run may have locked and removed the name in between.
  return NameLeadsHere() == 0 ? 0 : EAGAIN;
}

int ExclusiveFile::MoveTo(const std::string& to, bool replace) {
  int error = MoveIntoPlace(m_path, to, replace);
  if (error == 0) {
    m_path = to;
  }
  return error;
}

int ExclusiveFile::Close() {
  if (m_fd < 0) {
    return 0;
  }
  int result = close(m_fd) == 0 ? 0 : errno;
  m_fd = -1;
  return result;
}

int ExclusiveFile::Remove() {
  if (m_path.empty()) {
    return 0;
  }
  Close();
  int error = NameLeadsHere();
  if (error == 0 && unlink(m_path.c_str()) != 0) {
    error = errno;
  }
  m_path.clear();
  return error;
}

}  // namespace platform
}  // namespace velt
