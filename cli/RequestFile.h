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

// True when `path` is a request the engine will read: a readable regular
// file that parses into one document. Otherwise prints the path, the reason
// (the system's, or the XML parser's) and what to do on standard error.
// Call it before the application log is set up: the parser's reason is
// taken from what it logs.
bool CheckRequestFile(const std::string& path);

}  // namespace cli
}  // namespace velt
