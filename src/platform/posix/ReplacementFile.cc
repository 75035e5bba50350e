#include "platform/ReplacementFile.h"

#include <unistd.h>

#include <cerrno>

#include "platform/MoveIntoPlace.h"

namespace velt {
namespace platform {

ReplacementFile::~ReplacementFile() {
  if (!m_committed) {
    m_file.Remove();
  }
}

int ReplacementFile::Create(const std::string& original, const std::string& tag,
                            const FileDetails& details, int& ownerError) {
  ownerError = 0;
  m_details = details;
  m_original = original;
  m_size = 0;
  size_t slash = original.rfind('/');
  std::string folder = slash == std::string::npos ? std::string() : original.substr(0, slash + 1);
  // A hidden name, short enough for any file name whatever the original's.
  std::string base = original.substr(folder.size()).substr(0, 200);
  int error = EEXIST;
  for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
    error = m_file.Create(folder + "." + base + "." + tag + "-" + std::to_string(getpid()) + "-" +
                          std::to_string(attempt));
  }
  if (error == 0) {
    ownerError = m_file.SetOwner(details.owner, details.group);
  }
  return error;
}

int ReplacementFile::Write(const void* data, size_t size) {
  int error = m_file.WriteAt(data, size, m_size);
  m_size += size;
  return error;
}

int ReplacementFile::Commit() {
  // The mode after the owner, which may have cleared its set-user and
  // set-group bits; the times last, after every write.
  int error = m_file.SetModeAndTimes(m_details);
  int closed = m_file.Close();
  error = error != 0 ? error : closed;
  if (error == 0) {
    error = MoveIntoPlace(m_file.path(), m_original, true);
  }
  if (error != 0) {
    m_file.Remove();
  }
  m_committed = error == 0;
  return error;
}

}  // namespace platform
}  // namespace velt
