// Fixtures for end-to-end runs: an install folder with configuration
// files, a private TMPDIR for the engine's temporary bundle folder, and
// helpers that read a bundle back with minizip.
#pragma once

#include <string>
#include <vector>

#include "support/ScopedEnv.h"
#include "support/TestPlatform.h"
#include "support/TempDir.h"

namespace velt {
namespace test {

class RunFixture {
 public:
  RunFixture();
  ~RunFixture();

  TempDir& dir() { return m_dir; }
  // <root>/install/ (ends with a separator): what the engine is given.
  std::string installFolder() const { return m_dir.Path("install/"); }
  // Writes xml/config/<name> below the install folder.
  void AddConfig(const std::string& name, const std::string& xml);
  // The folder the engine's %TEMP% resolves to.
  std::string tempFolder() const { return m_dir.Path("tmp"); }
  // Names of the entries in the temp folder (leftover bundle folders).
  std::vector<std::string> TempEntries() const;

 private:
  TempDir m_dir;
  // The variables PointTempAt changes, put back at the end.
  ScopedEnv m_tmpdir, m_temp, m_tmp;
};

// The entry names of a zip archive, in archive order.
std::vector<std::string> ZipEntries(const std::string& zip);
// One entry's bytes, decrypted with `password`; empty when the entry
// cannot be read whole, is encrypted exactly when no password is given, or
// fails its CRC (a wrong password).
std::string ZipEntry(const std::string& zip, const std::string& entry,
                     const std::string& password = "");
// Replaces the values of summary lines that differ per machine and run
// ("Time:", "OS:", "User Name:") with "<masked>".
std::string MaskSummary(const std::string& summary);

}  // namespace test
}  // namespace velt
