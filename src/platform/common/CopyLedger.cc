#include "platform/common/CopyLedger.h"

#include <algorithm>

#include "platform/common/ErrorNumbers.h"

namespace velt {
namespace platform {

CopyRefusal RefusalOfKind(FileKind kind) {
  switch (kind) {
    case FileKind::kFifo:
      return CopyRefusal::kFifo;
    case FileKind::kSocket:
      return CopyRefusal::kSocket;
    case FileKind::kCharacterDevice:
      return CopyRefusal::kCharacterDevice;
    case FileKind::kBlockDevice:
      return CopyRefusal::kBlockDevice;
    default:
      return CopyRefusal::kNotRegular;
  }
}

bool IsDiskFull(int error) {
  return error == ENOSPC || error == EDQUOT || error == EFBIG || error == EROFS;
}

void CopyLedger::Note(const std::string& path, CopyRefusal refusal, int error) {
  m_outcome.notes.push_back(CopyProblem{path, refusal, error});
}

int CopyLedger::Refuse(const std::string& path, CopyRefusal refusal, int depth) {
  if (depth > 0) {
    Note(path, refusal, 0);
    return 0;
  }
  m_outcome.failure = CopyProblem{path, refusal, 0};
  return EACCES;
}

int CopyLedger::Fail(const std::string& path, int error, int depth) {
  if (depth > 0 && !IsDiskFull(error)) {
    Note(path, CopyRefusal::kNone, error);
    return 0;
  }
  if (m_outcome.failure.path.empty()) {
    m_outcome.failure = CopyProblem{path, CopyRefusal::kNone, error};
  }
  return error;
}

int CopyLedger::WalkFailed(const std::string& path, const std::string& refusedLink, int error,
                           int depth) {
  if (refusedLink.empty()) {
    return Fail(path, error, depth);
  }
  if (depth > 0) {
    Note(refusedLink, CopyRefusal::kForeignLink, 0);
    return 0;
  }
  m_outcome.failure = CopyProblem{refusedLink, CopyRefusal::kForeignLink, 0};
  return error;
}

CopyRefusal CopyLedger::FolderRefusal(const FolderIdentity& self, int depth) const {
  if (self == m_target) {
    return CopyRefusal::kCopyTarget;
  }
  if (std::find(m_ancestors.begin(), m_ancestors.end(), self) != m_ancestors.end()) {
    return CopyRefusal::kFolderLoop;
  }
  if (depth > kMaxCopyDepth) {
    return CopyRefusal::kTooDeep;
  }
  return CopyRefusal::kNone;
}

}  // namespace platform
}  // namespace velt
