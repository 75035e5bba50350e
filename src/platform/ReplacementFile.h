// A new version of an existing file, written beside it and put in its place
// in one step, so a reader finds either the old file or the whole new one.
// The copy is a File made by Create under a hidden name in the original's folder;
// when it is finished it takes the original's owner, permission bits and
// times and is renamed over the original. A copy not finished is removed
// and leaves the original as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/File.h"

namespace velt {
namespace platform {

class ReplacementFile {
 public:
  ReplacementFile() = default;
  // Removes a copy that was not committed.
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // Creates the copy ".<name>.<tag>-<process id>-<n>" beside `original`
  // (see File::Create), `details` being the original's, taken when
  // it was opened, and gives it the original's owner and group. 0 or the
  // error number. When only the owner could not be given, 0 with
  // `ownerError` set: the copy then keeps the owner of this process.
  int Create(const std::string& original, const std::string& tag, const FileDetails& details,
             int& ownerError);
  // Appends `size` bytes. 0 or the error number.
  int Write(const void* data, size_t size);
  // Gives the copy the original's permission bits and access and write
  // times, closes it and renames it over the original. 0 or the error
  // number; after an error the copy is removed.
  int Commit();
  const std::string& path() const { return m_file.path(); }

 private:
  File m_file;
  FileDetails m_details;
  std::string m_original;
  uint64_t m_size = 0;
  bool m_committed = false;
};

}  // namespace platform
}  // namespace velt
