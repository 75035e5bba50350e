// Folders only the running user may enter.
#pragma once

#include <memory>
#include <string>

namespace velt {
namespace platform {

// Makes the existing folder `path` private to the effective user (mode 0700
// on POSIX). Refuses (EACCES) a folder that is a symbolic link, is not a
// folder, or belongs to another user, so a folder planted by someone else is
// never used. Returns 0 or the system's error number.
int MakeDirectoryPrivate(const std::string& path);

// The private working folder of one run: "<parent>/<prefix>_XXXXXX", made
// with an unpredictable name (mode 0700) and locked for as long as the
// object lives, so that other runs know it is in use. Runs never share one,
// and a name another user made in advance is never taken.
class RunFolder {
 public:
  RunFolder();
  ~RunFolder();  // releases the lock; the folder itself stays
  RunFolder(const RunFolder&) = delete;
  RunFolder& operator=(const RunFolder&) = delete;

  // Creates and locks a new folder. Returns 0 or the system's error number.
  int Create(const std::string& parent, const std::string& prefix);
  // The folder's path; empty until Create succeeds.
  const std::string& path() const { return m_path; }
  // Releases the lock.
  void Release();

 private:
  struct Lock;  // the open folder that holds the lock
  std::unique_ptr<Lock> m_lock;
  std::string m_path;
};

// Removes the folders "<prefix>_*" directly in `parent` that a run of the
// effective user left behind: owned by that user, not links, and not locked
// by a live run. `remove` deletes one folder tree (never following links)
// and returns 0 on success. Returns how many were removed.
int RemoveAbandonedRunFolders(const std::string& parent, const std::string& prefix,
                              int (*remove)(const std::string& path));

// Removes the partial files (see PartialFile) directly in `folder` that a
// killed run of the effective user left behind: regular files with a
// partial file's name and no other name, owned by that user, not links, and
// not locked by a live run. Returns how many were removed.
int RemoveAbandonedPartialFiles(const std::string& folder);

}  // namespace platform
}  // namespace velt
