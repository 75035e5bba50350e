// Reading a file from start to end, and the facts about a file that an
// archive records: size, permission bits, last-write time and identity.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace velt {
namespace platform {

struct FileDetails {
  bool isRegular = false;
  bool isDirectory = false;
  uint64_t size = 0;
  uint32_t mode = 0;               // type and permission bits as the system keeps them
  int64_t lastWriteSeconds = 0;    // seconds since 1970-01-01 UTC
  uint64_t device = 0;             // device and index identify the file itself,
  uint64_t index = 0;              // whatever name it is reached by
};

// Details of what `path` names, following symbolic links. 0 or the error
// number.
int GetFileDetails(const std::string& path, FileDetails& details);

// True when both details describe the same file.
bool IsSameFile(const FileDetails& a, const FileDetails& b);

// The whole of the regular file `path` (links followed), which must not
// hold more than `limit` bytes: 0, or an error number (EFBIG when it holds
// more, EINVAL when it is a FIFO, socket or device, opened without waiting).
int ReadSmallFile(const std::string& path, size_t limit, std::string& bytes);
// The bound for small text files of the system and the user (os-release,
// user-dirs.dirs).
constexpr size_t kSmallTextLimit = 64 * 1024;

// A regular file open for reading, closed by the destructor. Opening never
// waits: a pipe, socket or device is refused with EINVAL.
class InputFile {
 public:
  InputFile() = default;
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  int Open(const std::string& path);
  void Close();
  bool IsOpen() const { return m_fd >= 0; }

  // Details of the open file (not of whatever its name names now).
  int Details(FileDetails& details) const;
  // Reads up to `size` bytes, retrying interrupted reads. Returns the count
  // read (0 at the end of the file) or -1 with `error` set.
  long Read(void* buffer, size_t size, int& error);
  // Back to the first byte.
  int Rewind();

 private:
  int m_fd = -1;
};

}  // namespace platform
}  // namespace velt
