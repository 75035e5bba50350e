#include "mask/MaskFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace velt {
namespace mask {

namespace {

int CloseChecked(int& fd) {
  int result = close(fd) == 0 ? 0 : errno;
  fd = -1;
  return result;
}

int WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t written = write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) {
        continue;
      }
      return errno;
    }
    data += written;
    size -= static_cast<size_t>(written);
  }
  return 0;
}

}  // namespace

PrivateFile::~PrivateFile() {
  if (m_fd >= 0) {
    close(m_fd);
    unlink(m_path.c_str());
  }
}

int PrivateFile::Create(const std::string& path) {
  m_path = path;
  m_fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  // The mode asked for may have lost bits to the umask, never gained any.
  return m_fd < 0 ? errno : fchmod(m_fd, 0600) == 0 ? 0 : errno;
}

int PrivateFile::Write(const std::string& text) {
  m_buffer += text;
  if (m_buffer.size() < 64 * 1024) {
    return 0;
  }
  int error = WriteAll(m_fd, m_buffer.data(), m_buffer.size());
  m_buffer.clear();
  return error;
}

int PrivateFile::Close() {
  int error = WriteAll(m_fd, m_buffer.data(), m_buffer.size());
  int closed = CloseChecked(m_fd);
  error = error != 0 ? error : closed;
  if (error != 0) {
    unlink(m_path.c_str());
  }
  return error;
}

}  // namespace mask
}  // namespace velt
