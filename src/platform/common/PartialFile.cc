#include "platform/PartialFile.h"

#include "platform/Random.h"
#include "platform/common/ErrorNumbers.h"

namespace velt {
namespace platform {

namespace {

const char kSuffix[] = ".partial";
constexpr size_t kSuffixSize = sizeof(kSuffix) - 1;
constexpr size_t kRandomBytes = 8;  // 16 hexadecimal digits

bool IsLowerHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }

}  // namespace

PartialFile::~PartialFile() {
  if (!m_committed) {
    Abandon();
  }
}

int PartialFile::Create(const std::string& target) {
  m_target = target;
  m_committed = false;
  // A run cleaning up may take the new file between its creation and the
  // lock; it is then made again under a new name.
  int error = EAGAIN;
  for (int attempt = 0; attempt < 8 && error == EAGAIN; ++attempt) {
    error = m_file.Create(target + "." + RandomHex(kRandomBytes) + kSuffix);
    if (error == 0 && (error = m_file.Lock()) != 0) {
      m_file.Remove();
    }
  }
  return error;
}

int PartialFile::Commit(bool replace) {
  // Renamed while still locked, so that no cleaning run takes the finished
  // file on its way.
  int error = m_file.MoveTo(m_target, replace);
  const int closed = m_file.Close();
  error = error != 0 ? error : closed;
  if (error != 0) {
    m_file.Remove();
  }
  m_committed = error == 0;
  return error;
}

int PartialFile::Abandon() { return m_file.Remove(); }

bool PartialFile::IsPartialName(const std::string& name) {
  const size_t tail = 1 + 2 * kRandomBytes + kSuffixSize;
  if (name.size() <= tail || name.compare(name.size() - kSuffixSize, kSuffixSize, kSuffix) != 0 ||
      name[name.size() - tail] != '.') {
    return false;
  }
  for (size_t i = name.size() - tail + 1; i < name.size() - kSuffixSize; ++i) {
    if (!IsLowerHex(name[i])) return false;
  }
  return true;
}

}  // namespace platform
}  // namespace velt
