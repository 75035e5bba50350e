// Open files: the one class of the layer that holds an open file, and the
// facts about a file that searches, archives and replacements use. Public,
// so that a front end reads and checks files by the layer's own rules.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "velt/VeltExport.h"

namespace velt {
namespace platform {

// A point in time: seconds since 1970-01-01 UTC and the nanoseconds within
// that second.
struct FileTime {
  int64_t seconds = 0;
  uint32_t nanoseconds = 0;
};

// What an entry of the file system is and holds.
struct FileDetails {
  bool isRegular = false;
  bool isDirectory = false;
  bool isSymlink = false;  // a link described by itself (links not followed)
  bool readOnly = false;   // the owner may not write it (never set for a link)
  bool hidden = false;     // the name begins with "." (known where a name was examined)
  uint64_t size = 0;
  uint32_t mode = 0;       // type and permission bits in the Unix convention
  FileTime lastWrite;
  FileTime lastAccess;
  uint32_t owner = 0;      // the owning user and group
  uint32_t group = 0;
  uint64_t device = 0;     // device and index identify the file itself,
  uint64_t index = 0;      // whatever name it is reached by
};

// True when both details describe the same file.
VELT_API bool IsSameFile(const FileDetails& a, const FileDetails& b);

// Details of what `path` names. With followLinks false a link describes
// itself; `hidden` comes from the path's last name. 0 or the error number.
VELT_API int GetFileDetails(const std::string& path, bool followLinks, FileDetails& details);

// The permission bits of a file that Create makes.
enum class NewFileMode {
  kPrivate,  // readable and writable by its owner only, whatever the process's mask
  kUsual,    // readable and writable by everyone, less the process's file-creation mask
};

// One open file, closed by the destructor. A file is opened in one of three
// ways, and none of them follows a link that leads elsewhere or waits:
// Open reads a regular file, Create makes a new one, OpenForAppending adds
// to a file of this user. Every call returns 0 or an error number (see
// SystemError.h) unless it says otherwise.
class VELT_API File {
 public:
  File();
  ~File();
  File(File&&) noexcept;
  File& operator=(File&&) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Opens the regular file `path` for reading. Nothing else is ever
  // opened: the entry is examined first, so a device is never opened at
  // all, and the open itself does not wait (a FIFO swapped in meanwhile is
  // opened without blocking and then refused). EISDIR for a folder, EINVAL
  // for a FIFO, socket or device; with followLinks false, ELOOP for a link.
  int Open(const std::string& path, bool followLinks = true);
  // Creates `path` for reading and writing. EEXIST when anything (a file, a
  // folder, a link, even a dangling one) already has the name, so the file
  // is new and nobody else's.
  int Create(const std::string& path, NewFileMode mode = NewFileMode::kPrivate);
  // Opens `path` to append to, without following a link: a new file is
  // created private to this user (`created` true); an existing one must be
  // a regular file of this user (EINVAL, EPERM otherwise), so that nothing
  // is written into another user's file, a FIFO or a device.
  int OpenForAppending(const std::string& path, bool& created);

  bool IsOpen() const { return m_handle != nullptr; }
  // The path it was opened or created by (after MoveTo, the new one).
  const std::string& path() const { return m_path; }
  // Details of the open file, not of whatever its name names now.
  int Details(FileDetails& details) const;

  // Reads up to `size` bytes from the current position, retrying
  // interrupted reads. Returns the count read (0 at the end of the file) or
  // -1 with `error` set.
  long Read(void* buffer, size_t size, int& error);
  // The same at `offset`, leaving the position for Read where it is.
  long ReadAt(void* buffer, size_t size, uint64_t offset, int& error);
  // Back to the first byte.
  int Rewind();
  // Writes all `size` bytes at `offset`, retrying partial writes (ENOSPC,
  // EFBIG, EIO...).
  int WriteAt(const void* data, size_t size, uint64_t offset);
  // Writes all `size` bytes at the end of the file.
  int Append(const void* data, size_t size);
  // Appends up to `length` bytes of `source` from `offset` on, through the
  // system's own copy where it can; stops early, without error, when the
  // source ends first.
  int CopyFrom(const File& source, uint64_t offset, uint64_t length);

  // The rest is for a file made by Create or OpenForAppending.
  //
  // Takes an exclusive lock, held until the file is closed, so that a run
  // cleaning up what killed runs left behind (RemoveAbandonedPartialFiles)
  // passes it by. EAGAIN when another holds the lock or the name no longer
  // leads to this file (a cleaning run took it first).
  int Lock();
  // Gives the open file an owner and group.
  int SetOwner(uint32_t owner, uint32_t group);
  // Gives the open file the permission bits and the access and write times
  // of `from`.
  int SetModeAndTimes(const FileDetails& from);
  // Renames the file (open or closed) to `to` in one step, a lock and all
  // (see MoveIntoPlace); from then on path() is `to`.
  int MoveTo(const std::string& to, bool replace);
  // Closes the file if open and removes its name, when the name still
  // leads to the file made here (a name replaced meanwhile is left alone:
  // ESTALE).
  int Remove();

  // 0 or the error of closing (data not stored).
  int Close();

 private:
  struct Handle;
  std::unique_ptr<Handle> m_handle;
  std::string m_path;
  // The identity of the file made here, kept after Close for Remove.
  uint64_t m_device = 0;
  uint64_t m_index = 0;
};

}  // namespace platform
}  // namespace velt
