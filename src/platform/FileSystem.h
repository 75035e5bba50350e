// Files and folders: status, creation, copying and removal. Removal never
// follows a symbolic link; sizes and offsets are 64-bit; times are in
// FILETIME units (100 ns since 1601-01-01 UTC).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace velt {
namespace platform {

// Paths of this many bytes or more are longer than the system takes.
extern const size_t kPathLimit;

struct FileStatus {
  bool isDirectory = false;
  bool isRegular = false;
  bool isSymlink = false;
  bool readOnly = false;  // the owner may not write it
  bool hidden = false;    // the name begins with "."
  uint64_t size = 0;
  uint64_t lastAccessTime = 0;
  uint64_t lastWriteTime = 0;
  uint64_t device = 0;  // with inode: the same file under any name
  uint64_t inode = 0;
};

// 0 or the error number. With followLinks false a link describes itself.
int GetFileStatus(const std::string& path, bool followLinks, FileStatus& status);

// One entry found by WalkedFolder::Search: its own status (a link
// describes itself) and whether it leads to a folder (a folder, or a link
// to one).
struct FoundEntry {
  std::string name;
  FileStatus status;
  bool leadsToDirectory = false;
};

// `path` split into its folder ("." when it has none) and its last name,
// trailing separators dropped: "/a/b/" gives "/a" and "b", "/" gives "/"
// and ".".
std::pair<std::string, std::string> SplitPath(std::string path);

// Removes one file or link (never what a link points at). A read-only file
// is refused with EACCES, as the Windows file system refuses it.
int DeleteFileEntry(const std::string& path);
// Removes an empty folder; a link is refused with ENOTDIR.
int RemoveEmptyDirectory(const std::string& path);
// Creates one folder, or every missing folder of `path`.
int CreateOneDirectory(const std::string& path);
int CreateDirectories(const std::string& path);

// What a directory entry is.
enum class FileKind {
  kRegular,
  kDirectory,
  kSymlink,
  kFifo,
  kSocket,
  kCharacterDevice,
  kBlockDevice,
  kOther,
};
FileKind KindOfMode(uint32_t mode);

// Opens the regular file `name` (relative to the open folder `folder`, or
// to the working directory for AT_FDCWD) for reading. Nothing else is ever
// opened: the entry is examined first, so a device is never opened at all,
// and the open itself does not wait (a FIFO swapped in meanwhile is opened
// without blocking and then refused). Returns 0 with `fd` set, or an error
// number: EISDIR for a folder, EINVAL for other kinds (with `kind` saying
// which), ELOOP for a link when followLinks is false.
int OpenRegularFile(int folder, const std::string& name, bool followLinks, int& fd,
                    FileKind& kind);

// Copies up to `length` bytes of the open file `in` from `inOffset` to the
// open file `out` at `outOffset`, through the kernel's copy where it can.
// Stops early, without error, when `in` ends first; `copied` says how much
// was copied.
int CopyRange(int in, int out, uint64_t inOffset, uint64_t outOffset, uint64_t length,
              uint64_t& copied);

// An open file, closed by the destructor.
class File {
 public:
  File() = default;
  ~File();
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // A regular file only (see OpenRegularFile).
  int OpenForReading(const std::string& path, bool followLinks);
  // Creates a new file, never through a link; EEXIST when the name is taken.
  int CreateNew(const std::string& path);
  // 0 or the error of closing (data not written).
  int Close();
  bool IsOpen() const { return m_fd >= 0; }

  int Size(uint64_t& size) const;
  // Appends up to `length` bytes of `source` from `offset` on (see
  // CopyRange).
  int CopyFrom(const File& source, uint64_t offset, uint64_t length);

 private:
  int m_fd = -1;
};

}  // namespace platform
}  // namespace velt
