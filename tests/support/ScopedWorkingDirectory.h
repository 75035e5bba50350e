// Makes a folder the working directory for a test's lifetime. What the
// engine writes there under a fixed name (the truncations' "temp_out.txt")
// would otherwise go to the test program's folder, shared by the tests that
// ctest runs at the same time.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace velt {
namespace test {

class ScopedWorkingDirectory {
 public:
  explicit ScopedWorkingDirectory(const std::string& path) {
    std::error_code error;
    m_saved = std::filesystem::current_path(error);
    if (!error) std::filesystem::current_path(std::filesystem::u8path(path), error);
    if (error) ADD_FAILURE() << "cannot work in " << path << ": " << error.message();
  }
  ~ScopedWorkingDirectory() {
    std::error_code error;
    std::filesystem::current_path(m_saved, error);
    if (error) ADD_FAILURE() << "cannot return to " << m_saved << ": " << error.message();
  }
  ScopedWorkingDirectory(const ScopedWorkingDirectory&) = delete;
  ScopedWorkingDirectory& operator=(const ScopedWorkingDirectory&) = delete;

 private:
  std::filesystem::path m_saved;
};

}  // namespace test
}  // namespace velt
