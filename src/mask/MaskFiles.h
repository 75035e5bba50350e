// The file operations of masking: opening a collected file without
// following links, writing its masked copy beside it and putting the copy in
// its place, and writing a file only its owner may read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace velt {
namespace mask {

class SourceFile {
 public:
  SourceFile() = default;
  ~SourceFile();
  SourceFile(const SourceFile&) = delete;
  SourceFile& operator=(const SourceFile&) = delete;

  // 0, ELOOP for a symbolic link, EINVAL for what is not a regular file, or
  // the system's error number.
  int Open(const std::string& path);
  // The count read (0 at the end) or -1 with `error` set.
  long Read(char* buffer, size_t size, int& error);
  long ReadAt(char* buffer, size_t size, uint64_t offset, int& error);

 private:
  friend class ReplacementFile;
  int m_fd = -1;
  uint32_t m_mode = 0;
  uint32_t m_owner = 0;
  uint32_t m_group = 0;
  int64_t m_times[4] = {0, 0, 0, 0};  // access and write time: seconds, nanoseconds
};

class ReplacementFile {
 public:
  ReplacementFile() = default;
  // Removes a copy that was not committed.
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // Creates a new file beside `original`, exclusively and never through a
  // link, for the same owner. 0 or the error number.
  int Create(const std::string& original, const SourceFile& source);
  int Write(const char* data, size_t size);
  // Gives the copy the original's mode and times, closes it and renames it
  // over the original.
  int Commit();
  const std::string& path() const { return m_path; }

 private:
  const SourceFile* m_source = nullptr;
  std::string m_original;
  std::string m_path;
  int m_fd = -1;
};

// A new file only its owner may read (mode 0600), created exclusively and
// never through a link, written through a buffer; a file not closed
// successfully is removed.
class PrivateFile {
 public:
  PrivateFile() = default;
  ~PrivateFile();
  PrivateFile(const PrivateFile&) = delete;
  PrivateFile& operator=(const PrivateFile&) = delete;

  // 0 or the error number; EEXIST when the name is taken, by a link too.
  int Create(const std::string& path);
  int Write(const std::string& text);
  int Close();

 private:
  std::string m_path;
  std::string m_buffer;
  int m_fd = -1;
};

}  // namespace mask
}  // namespace velt
