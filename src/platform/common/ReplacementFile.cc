#include "platform/ReplacementFile.h"

#include "platform/MoveIntoPlace.h"
#include "platform/common/ErrorNumbers.h"
#include "platform/common/ReplacementSteps.h"

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
  const std::string folder = replacement::FolderOf(original);
  // A hidden name, short enough for any file name whatever the original's.
  const std::string base = original.substr(folder.size()).substr(0, 200);
  const std::string process = std::to_string(replacement::ProcessNumber());
  int error = EEXIST;
  for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
    error = m_file.Create(folder + "." + base + "." + tag + "-" + process + "-" +
                          std::to_string(attempt));
  }
  if (error == 0) {
    ownerError = replacement::GiveOwner(original, details, m_file);
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
  int error = m_file.SetModeAndTimes(replacement::FinalDetails(m_details));
  int closed = m_file.Close();
  error = error != 0 ? error : closed;
  if (error == 0) {
    error = replacement::GiveAccess(m_original, m_file.path());
  }
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
