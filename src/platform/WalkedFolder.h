// A folder reached from a trusted start one name at a time, and the work
// done inside it afterwards. Configured locations lie below folders that
// other users may own, so their paths are never resolved by the system in
// one go: every name on the way is opened without following a link, and a
// link met on the way is followed only when root owns it or its owner also
// owns what it leads to (the rule CollectCopy applies to the entries it
// copies). Once open, the object stays on the folder that was checked,
// whatever happens to its path later: entries are listed, examined, copied
// (CollectCopy) and removed relative to it, never by a path resolved again.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/File.h"

namespace velt {
namespace platform {

// One entry found by WalkedFolder::Search: its own details (a link
// describes itself) and whether it leads to a folder (a folder, or a link
// to one).
struct FoundEntry {
  std::string name;
  FileDetails status;
  bool leadsToDirectory = false;
};

// What RemoveEntry found at the name.
enum class EntryRemoval {
  kRemoved,
  kGone,      // nothing has the name any more
  kReplaced,  // another file, link or folder has the name now
  kFailed,    // the entry is still there and could not be removed (see error)
};

struct WalkedFolderAccess;

class WalkedFolder {
 public:
  WalkedFolder();
  ~WalkedFolder();
  WalkedFolder(WalkedFolder&&) noexcept;
  WalkedFolder& operator=(WalkedFolder&&) noexcept;
  WalkedFolder(const WalkedFolder&) = delete;
  WalkedFolder& operator=(const WalkedFolder&) = delete;

  // Walks `path` from the root (an absolute path) or from the working
  // folder and keeps the folder it leads to open. Returns 0, or an error
  // number: EACCES with `refusedLink` naming the link when a link on the
  // way breaks the owner rule, ENOTDIR when the path leads to something
  // other than a folder, ENOENT, ELOOP and the like otherwise.
  int Open(const std::string& path, std::string& refusedLink);
  bool IsOpen() const { return m_handle != nullptr; }
  // The path it was opened by, for messages and for walking it again.
  const std::string& path() const { return m_path; }
  // Both are open on the very same folder.
  bool SameFolder(const WalkedFolder& other) const;

  // The entries of the folder ("." and ".." included) whose names `accept`
  // approves, in byte order of their names. 0 or the error of opening the
  // folder for reading; `readError` is the error that ended the reading
  // part way (the entries read before it are kept).
  int Search(const std::function<bool(const std::string&)>& accept,
             std::vector<FoundEntry>& found, int& readError) const;
  // The details of the entry `name` (a link describes itself unless
  // followLinks). 0 or the error number.
  int Status(const std::string& name, bool followLinks, FileDetails& status) const;
  // The text of the link `name`. 0 or the error number.
  int ReadLink(const std::string& name, std::string& target) const;
  // Removes the file or link `name` (never what a link points at) when it
  // is still the entry with `device` and `inode`. A file whose owner may
  // not write it is refused with EACCES, as DeleteFileEntry refuses it;
  // `error` holds the error number of kFailed.
  EntryRemoval RemoveEntry(const std::string& name, uint64_t device, uint64_t inode,
                           int& error) const;

 private:
  friend struct WalkedFolderAccess;
  struct Handle;
  std::unique_ptr<Handle> m_handle;
  std::string m_path;
};

}  // namespace platform
}  // namespace velt
