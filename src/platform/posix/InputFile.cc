#include "platform/InputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/FileSystem.h"

namespace velt {
namespace platform {

namespace {

void FillDetails(const struct stat& info, FileDetails& details) {
  details.isRegular = S_ISREG(info.st_mode);
  details.isDirectory = S_ISDIR(info.st_mode);
  details.size = static_cast<uint64_t>(info.st_size);
  details.mode = static_cast<uint32_t>(info.st_mode);
  details.lastWriteSeconds = static_cast<int64_t>(info.st_mtim.tv_sec);
  details.lastWriteNanoseconds = static_cast<uint32_t>(info.st_mtim.tv_nsec);
  details.lastAccessSeconds = static_cast<int64_t>(info.st_atim.tv_sec);
  details.lastAccessNanoseconds = static_cast<uint32_t>(info.st_atim.tv_nsec);
  details.owner = static_cast<uint32_t>(info.st_uid);
  details.group = static_cast<uint32_t>(info.st_gid);
  details.device = static_cast<uint64_t>(info.st_dev);
  details.index = static_cast<uint64_t>(info.st_ino);
}

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

int InputFile::Open(const std::string& path, bool followLinks) {
  Close();
  FileKind kind;
  int error = OpenRegularFile(AT_FDCWD, path, followLinks, m_fd, kind);
  if (error == 0) {
    posix_fadvise(m_fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  }
  return error;
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
  return Uninterrupted([&] { return read(m_fd, buffer, size); }, error);
}

long InputFile::ReadAt(void* buffer, size_t size, uint64_t offset, int& error) {
  return Uninterrupted([&] { return pread(m_fd, buffer, size, static_cast<off_t>(offset)); },
                       error);
}

int ReadSmallFile(const std::string& path, size_t limit, std::string& bytes) {
  bytes.clear();
  InputFile file;
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

int InputFile::Rewind() { return lseek(m_fd, 0, SEEK_SET) == 0 ? 0 : errno; }

}  // namespace platform
}  // namespace velt
