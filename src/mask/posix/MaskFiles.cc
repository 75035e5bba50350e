#include "mask/MaskFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "velt/runtime/CAppLog.h"

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

SourceFile::~SourceFile() {
  if (m_fd >= 0) {
    close(m_fd);
  }
}

int SourceFile::Open(const std::string& path) {
  // Non-blocking so that a FIFO planted in place of a file cannot hold us.
  int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    return errno;
  }
  struct stat info;
  int error = fstat(fd, &info) != 0 ? errno : S_ISREG(info.st_mode) ? 0 : EINVAL;
  if (error != 0) {
    close(fd);
    return error;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  m_fd = fd;
  m_mode = info.st_mode & 07777;
  m_owner = info.st_uid;
  m_group = info.st_gid;
  m_times[0] = info.st_atim.tv_sec;
  m_times[1] = info.st_atim.tv_nsec;
  m_times[2] = info.st_mtim.tv_sec;
  m_times[3] = info.st_mtim.tv_nsec;
  return 0;
}

long SourceFile::Read(char* buffer, size_t size, int& error) {
  for (;;) {
    ssize_t count = read(m_fd, buffer, size);
    if (count >= 0 || errno != EINTR) {
      error = count < 0 ? errno : 0;
      return static_cast<long>(count);
    }
  }
}

long SourceFile::ReadAt(char* buffer, size_t size, uint64_t offset, int& error) {
  for (;;) {
    ssize_t count = pread(m_fd, buffer, size, static_cast<off_t>(offset));
    if (count >= 0 || errno != EINTR) {
      error = count < 0 ? errno : 0;
      return static_cast<long>(count);
    }
  }
}

ReplacementFile::~ReplacementFile() {
  if (m_fd >= 0) {
    close(m_fd);
    unlink(m_path.c_str());
  }
}

int ReplacementFile::Create(const std::string& original, const SourceFile& source) {
  m_source = &source;
  m_original = original;
  size_t slash = original.rfind('/');
  std::string folder = slash == std::string::npos ? std::string() : original.substr(0, slash + 1);
  // A hidden name beside the original, short enough for any file name.
  std::string base = original.substr(folder.size()).substr(0, 200);
  int error = EEXIST;
  for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
    m_path = folder + "." + base + ".masking-" + std::to_string(getpid()) + "-" +
             std::to_string(attempt);
    m_fd = open(m_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    error = m_fd < 0 ? errno : 0;
  }
  if (error != 0) {
    return error;
  }
  if (fchown(m_fd, source.m_owner, source.m_group) != 0) {
    VELT_LOG_MESSAGE('W', "The masked copy %s keeps our owner, not the original's: %s",
                     m_path.c_str(), strerror(errno));
  }
  return 0;
}

int ReplacementFile::Write(const char* data, size_t size) { return WriteAll(m_fd, data, size); }

int ReplacementFile::Commit() {
  const int64_t* times = m_source->m_times;
  struct timespec stamps[2] = {{static_cast<time_t>(times[0]), static_cast<long>(times[1])},
                               {static_cast<time_t>(times[2]), static_cast<long>(times[3])}};
  int error = fchmod(m_fd, m_source->m_mode) == 0 && futimens(m_fd, stamps) == 0 ? 0 : errno;
  int closed = CloseChecked(m_fd);
  error = error != 0 ? error : closed;
  if (error == 0 && rename(m_path.c_str(), m_original.c_str()) != 0) {
    error = errno;
  }
  if (error != 0) {
    unlink(m_path.c_str());
  }
  return error;
}

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
