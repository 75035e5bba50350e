// The file operations of masking: writing a file only its owner may read.
#pragma once

#include <cstddef>
#include <string>

namespace velt {
namespace mask {

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
