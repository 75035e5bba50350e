// A file this process creates itself and nobody else: never an existing
// file, never reached through a symbolic link, readable by its owner only.
// Written and read at explicit offsets; removed by name only while the name
// still leads to this very file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace velt {
namespace platform {

class ReplacementFile;

class ExclusiveFile {
 public:
  ExclusiveFile() = default;
  ~ExclusiveFile();  // closes, does not remove
  ExclusiveFile(const ExclusiveFile&) = delete;
  ExclusiveFile& operator=(const ExclusiveFile&) = delete;

  // Creates `path` for reading and writing with permission bits 0600
  // whatever the process's file-creation mask. EEXIST when anything (a
  // file, a folder, a link, even a dangling one) already has the name.
  // 0 or the system's error number.
  int Create(const std::string& path);
  bool IsOpen() const { return m_fd >= 0; }
  const std::string& path() const { return m_path; }

  // Writes all `size` bytes at `offset`, retrying partial writes. 0 or the
  // error number (ENOSPC, EFBIG, EIO...).
  int WriteAt(const void* data, size_t size, uint64_t offset);
  // Reads exactly `size` bytes at `offset`; EIO when the file ends first.
  int ReadAt(void* data, size_t size, uint64_t offset);
  int Size(uint64_t& size) const;
  // Device and index of the file created, to compare with what a name
  // leads to.
  uint64_t device() const { return m_device; }
  uint64_t index() const { return m_index; }

  // Takes an exclusive lock on the open file, held until it is closed, so
  // that a run cleaning up what killed runs left (RemoveAbandonedPartialFiles)
  // passes it by. EAGAIN when another holds the lock or the name no longer
  // leads to this file (a cleaning run took it first).
  int Lock();
  // Renames the file (open or closed) to `to` in one step, a lock and all
  // (see MoveIntoPlace); from then on the object names `to`.
  int MoveTo(const std::string& to, bool replace);

  // 0 or the error of closing (data not stored).
  int Close();
  // Closes the file if open and unlinks its name, when the name still
  // leads to the file created here (a name replaced meanwhile is left
  // alone: ESTALE).
  int Remove();

 private:
  friend class ReplacementFile;  // sets owner, mode and times of the open file
  // 0 when m_path still leads to the file created here, else the error.
  int NameLeadsHere() const;
  int m_fd = -1;
  std::string m_path;
  uint64_t m_device = 0;
  uint64_t m_index = 0;
};

}  // namespace platform
}  // namespace velt
