// Reading a file, and the facts about a file that an archive records or a
// replacement keeps: size, permission bits, owner, times and identity.
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
  uint32_t lastWriteNanoseconds = 0;
  int64_t lastAccessSeconds = 0;
  uint32_t lastAccessNanoseconds = 0;
  uint32_t owner = 0;              // the owning user and group
  uint32_t group = 0;
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
// waits: a pipe, socket or device is refused with EINVAL, a folder with
// EISDIR (see OpenRegularFile).
class InputFile {
 public:
  InputFile() = default;
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // With followLinks false a symbolic link is refused with ELOOP.
  int Open(const std::string& path, bool followLinks = true);
  void Close();
  bool IsOpen() const { return m_fd >= 0; }

  // Details of the open file (not of whatever its name names now).
  int Details(FileDetails& details) const;
  // Reads up to `size` bytes, retrying interrupted reads. Returns the count
  // read (0 at the end of the file) or -1 with `error` set.
  long Read(void* buffer, size_t size, int& error);
  // The same at `offset`, leaving the position for Read where it is.
  long ReadAt(void* buffer, size_t size, uint64_t offset, int& error);
  // Back to the first byte.
  int Rewind();

 private:
  int m_fd = -1;
};

}  // namespace platform
}  // namespace velt
