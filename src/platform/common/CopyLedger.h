// What a copy for collection (platform/CollectCopy.h) decides and records
// as it goes, the same on every system; each system's CollectCopy.cc only
// walks, reads and writes. It records the problems of what was left out,
// keeps the folders the copy is inside (so that a folder met again below
// itself through a link is refused) and the folder the copy is written to,
// and whether the copy of the source itself was made.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/CollectCopy.h"
#include "platform/common/FileKind.h"

namespace velt {
namespace platform {

// A folder's device (volume) and index.
using FolderIdentity = std::pair<uint64_t, uint64_t>;

// Why an entry of `kind`, neither a regular file nor a folder, is refused.
CopyRefusal RefusalOfKind(FileKind kind);

// Whether `error` says the destination has no room (or cannot be written
// at all), which ends the whole copy.
bool IsDiskFull(int error);

// "name (2).ext", "name (3).ext", ...: the name a copy gets instead of
// replacing an entry that appeared at its destination.
template <typename Text>
Text CollisionName(const Text& name, int number) {
  size_t dot = name.find_last_of('.');
  if (dot == Text::npos || dot == 0) {
    dot = name.size();
  }
  const std::string suffix = " (" + std::to_string(number) + ")";
  return name.substr(0, dot) + Text(suffix.begin(), suffix.end()) + name.substr(dot);
}

class CopyLedger {
 public:
  explicit CopyLedger(CopyOutcome& outcome) : m_outcome(outcome) {}

  // Notes a problem of an entry inside a copied folder.
  void Note(const std::string& path, CopyRefusal refusal, int error);
  // A refused entry inside a folder (depth > 0) is noted and skipped (0);
  // the source itself ends the copy (EACCES).
  int Refuse(const std::string& path, CopyRefusal refusal, int depth);
  // The same for errors, except that a full disk always ends the copy.
  int Fail(const std::string& path, int error, int depth);
  // A walk to `path` that failed with `error`; `refusedLink` names the link
  // that broke the owner rule (empty for any other failure). Noted and 0
  // inside a folder, else the copy's failure and `error`.
  int WalkFailed(const std::string& path, const std::string& refusedLink, int error, int depth);

  // Why the folder `self` at `depth` is not copied: the folder being
  // written to, one the copy is already inside, or too deep; kNone when it
  // may be copied.
  CopyRefusal FolderRefusal(const FolderIdentity& self, int depth) const;
  void EnterFolder(const FolderIdentity& self) { m_ancestors.push_back(self); }
  void LeaveFolder() { m_ancestors.pop_back(); }
  // The folder the copy is written to, which is never copied into itself.
  void SetTarget(const FolderIdentity& target) { m_target = target; }

  // Records that the copy of an entry at `depth` was created.
  void Created(int depth) { m_createdTop = m_createdTop || depth == 0; }
  // Whether the copy of the source itself was created (and so must be
  // removed when the copy fails).
  bool createdTop() const { return m_createdTop; }

 private:
  CopyOutcome& m_outcome;
  std::vector<FolderIdentity> m_ancestors;
  FolderIdentity m_target{0, 0};
  bool m_createdTop = false;
};

}  // namespace platform
}  // namespace velt
