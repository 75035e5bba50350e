// A private temporary folder removed with everything in it at the end of a
// test.
#pragma once

#include <cstdio>
#include <string>

namespace velt {
namespace test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return m_path; }
  // path() + the separator + relative, its '/'s the system's separator
  std::string Path(const std::string& relative) const;
  // Writes `content` to path(relative), creating folders on the way.
  std::string WriteFile(const std::string& relative, const std::string& content) const;

 private:
  std::string m_path;
};

std::string ReadFile(const std::string& path);
// What is left to read of `stream`.
std::string ReadAll(std::FILE* stream);

}  // namespace test
}  // namespace velt
