// Copying what a collect gathers: regular files, and folders with the
// regular files and folders in them, from places other users may write to.
//
// - Only regular files are read. FIFOs, sockets and devices, reached
//   directly or through a link, are refused without being opened, and no
//   open can wait.
// - A symbolic link is followed only when its owner is root or owns what it
//   points to, so a link another user planted never leads a privileged run
//   to files that user could not read. The rule holds for the copied name
//   itself, for every link met in a link's own target, and for every link
//   inside a copied folder. The folder holding the source is a WalkedFolder,
//   reached by the same rule.
// - Holes of sparse files stay holes in the copy.
// - Files that report no size, and every file of /proc, /sys and the
//   kernel's other made-up file systems, are read to their end, but no
//   further than kSizelessReadLimit bytes; other files up to the size they
//   had when opened, so a file that grows meanwhile (perhaps written by
//   someone else) is copied as it was.
// - The copy keeps the source's last-access and last-write times.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velt {
namespace platform {

constexpr uint64_t kSizelessReadLimit = uint64_t{64} << 20;
// Folders nested deeper than this below a copied folder are left out.
constexpr int kMaxCopyDepth = 64;

// Why a path was not copied, or copied only in part.
enum class CopyRefusal {
  kNone,
  kFifo,
  kSocket,
  kCharacterDevice,
  kBlockDevice,
  kNotRegular,    // any other kind that is neither a file nor a folder
  kForeignLink,   // a link owned by neither root nor its target's owner
  kFolderLoop,    // a folder met again below itself through a link
  kCopyTarget,    // the folder the copy is being written to
  kTooDeep,       // deeper than kMaxCopyDepth folders
  kReadLimit,     // a file without a real size, cut at kSizelessReadLimit bytes
};

// One path that was refused (refusal) or failed (error, a system error
// number; ENOENT when it vanished).
struct CopyProblem {
  std::string path;
  CopyRefusal refusal = CopyRefusal::kNone;
  int error = 0;
};

struct CopyOutcome {
  // Why the source itself was not copied; empty path when it was.
  CopyProblem failure;
  // Entries of a copied folder that were left out, and files cut short.
  std::vector<CopyProblem> notes;
  // The name the copy got: the destination, or "name (2).ext" and so on
  // when a file appeared at the destination meanwhile.
  std::string written;
};

class WalkedFolder;

// Copies the entry `name` of `folder` (the source) to `destination`, which
// must not exist; missing folders of the destination are created. Returns
// 0 when the source was copied (outcome.notes may still list entries left
// out of a folder), else the failure's error number (EACCES for a refusal, ENOENT for a vanished
// source), also in outcome.failure. Nothing is left at the destination
// after a failure.
int CopyForCollection(const WalkedFolder& folder, const std::string& name,
                      const std::string& destination, CopyOutcome& outcome);

// The total size of the regular files in the folder `path` and below it,
// links not followed, at most kMaxCopyDepth folders deep. 0 or the error
// number of opening the folder.
int TotalRegularFileSize(const std::string& path, uint64_t& total);

}  // namespace platform
}  // namespace velt
