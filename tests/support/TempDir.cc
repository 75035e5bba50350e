#include "support/TempDir.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/PrivateDirectory.h"
#include "support/TestPlatform.h"

namespace velt {
namespace test {

std::string NativePath(std::string path) {
  std::replace(path.begin(), path.end(), '/', kNarrowPathSeparator);
  return path;
}

TempDir::TempDir() {
  // A run's private folder with an unpredictable name; its lock is not
  // needed.
  velt::platform::RunFolder folder;
  if (folder.Create(TempBase(), "velt-test") != 0) {
    throw std::runtime_error("cannot make a temporary folder in " + TempBase());
  }
  m_path = folder.path();
}

TempDir::~TempDir() {
  std::error_code ignored;
  // Tests make files read-only; give the owner write access back first.
  for (auto it = std::filesystem::recursive_directory_iterator(
           m_path, std::filesystem::directory_options::skip_permission_denied, ignored);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
    if (it->is_directory(ignored) && !it->is_symlink(ignored)) {
      std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, ignored);
    }
  }
  std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(m_path, ignored);
}

std::string TempDir::Path(const std::string& relative) const {
  return m_path + kNarrowPathSeparator + NativePath(relative);
}

std::string TempDir::WriteFile(const std::string& relative, const std::string& content) const {
  std::string full = Path(relative);
  std::filesystem::create_directories(std::filesystem::path(full).parent_path());
  std::ofstream out(full, std::ios::binary);
  out << content;
  return full;
}

std::string ReadAll(std::FILE* stream) {
  std::string text;
  char buffer[4096];
  size_t read;
  while ((read = std::fread(buffer, 1, sizeof(buffer), stream)) > 0) {
    text.append(buffer, read);
  }
  return text;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

}  // namespace test
}  // namespace velt
