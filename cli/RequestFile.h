// A request document written from command-line entries into a private
// temporary file, removed again when the object goes.
#pragma once

#include <string>
#include <vector>

namespace velt {
namespace cli {

class RequestFile {
 public:
  RequestFile() = default;
  ~RequestFile();
  RequestFile(const RequestFile&) = delete;
  RequestFile& operator=(const RequestFile&) = delete;

  // Writes a request for `ids` with `comment` (UTF-8). False, with a message
  // on standard error, when the file cannot be written.
  bool Write(const std::vector<std::string>& ids, const std::string& comment);
  const std::string& path() const { return m_path; }

  // The request document itself.
  static std::string Document(const std::vector<std::string>& ids, const std::string& comment);

 private:
  std::string m_path;
};

}  // namespace cli
}  // namespace velt
