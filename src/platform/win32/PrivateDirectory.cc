// Private folders on Windows: a protected DACL with one entry for the
// process's user, given at creation (CreateDirectoryW with its security)
// or to a folder of this user's. A run holds its working folder open with
// access to add files, which a cleaning run's open refuses to share: that
// is the lock, since Windows locks no folders.
#include "platform/PrivateDirectory.h"

#include <windows.h>

#include <functional>
#include <vector>

#include "platform/PartialFile.h"
#include "platform/Random.h"
#include "platform/win32/FileCalls.h"
#include "platform/win32/FileOwner.h"
#include "platform/win32/PrivateSecurity.h"
#include "platform/win32/Win32Error.h"
#include "velt/platform/TextEncoding.h"

namespace velt {
namespace platform {

namespace {

// How a live run holds its folder: with access to add files, which counts
// as writing when handles share a folder.
constexpr DWORD kRunHold = FILE_ADD_FILE | FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES;
// How a cleaning run opens a folder: it shares no writing, so the open
// fails while a live run holds the folder, and a run starting meanwhile
// cannot take it.
constexpr DWORD kCleanerShare = FILE_SHARE_READ | FILE_SHARE_DELETE;

constexpr size_t kRandomBytes = 6;  // 12 hexadecimal digits

bool DeletePending(HANDLE file) {
  FILE_STANDARD_INFO info;
  return GetFileInformationByHandleEx(file, FileStandardInfo, &info, sizeof info) &&
         info.DeletePending;
}

// Whether the open file is of `kind` (a link never is) and this user's.
bool IsOwn(HANDLE file, win32::FileKind kind, const win32::EntryFacts& facts) {
  win32::Sid owner;
  return win32::KindOf(facts) == kind && win32::OwnerOf(file, owner) == 0 &&
         win32::IsThisUser(owner);
}

}  // namespace

int MakeDirectoryPrivate(const std::string& path) {
  // Open the name itself, then check and change what was opened, so
  // nothing can be swapped in between.
  win32::Handle folder;
  win32::EntryFacts facts;
  int error =
      win32::OpenPath(win32::SystemPath(path), READ_CONTROL | WRITE_DAC | FILE_READ_ATTRIBUTES,
                      OPEN_EXISTING, false, folder);
  if (error == 0) error = win32::FactsOf(folder.get(), facts);
  if (error != 0) {
    return error;
  }
  if (!IsOwn(folder.get(), win32::FileKind::kDirectory, facts)) {
    return EACCES;
  }
  win32::PrivateSecurity security(true);
  if (security.error() != 0) {
    return security.error();
  }
  // The folder's own DACL, as chmod changes the folder's own mode: what is
  // already in it keeps its security (Windows lets anyone who knows a full
  // path pass folders they may not list), what is made in it inherits the
  // private entry.
  return SetKernelObjectSecurity(folder.get(),
                                 DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                 security.attributes()->lpSecurityDescriptor)
             ? 0
             : LastErrno();
}

struct RunFolder::Lock {
  win32::Handle folder;
};

RunFolder::RunFolder() = default;
RunFolder::~RunFolder() = default;  // closing the handle drops the hold

void RunFolder::Release() { m_lock.reset(); }

int RunFolder::Create(const std::string& parent, const std::string& prefix) {
  Release();
  m_path.clear();
  win32::PrivateSecurity security(true);
  if (security.error() != 0) {
    return security.error();
  }
  // CreateDirectoryW makes a new folder or fails, so a name someone made in
  // advance is never taken. A run cleaning up leftovers may find the new
  // folder before it is held and remove it; it is then made again under a
  // new name.
  int error = EAGAIN;
  for (int attempt = 0; attempt < 8 && error != 0; ++attempt) {
    const std::string name = parent + "\\" + prefix + "_" + RandomHex(kRandomBytes);
    if (!CreateDirectoryW(win32::SystemPath(name).c_str(), security.attributes())) {
      error = LastErrno();
      if (error != EEXIST) {
        return error;
      }
      continue;
    }
    win32::Handle held;
    win32::EntryFacts facts;
    error = win32::OpenPath(win32::SystemPath(name), kRunHold, OPEN_EXISTING, false, held);
    if (error == 0) error = win32::FactsOf(held.get(), facts);
    if (error == 0 &&
        (win32::KindOf(facts) != win32::FileKind::kDirectory || DeletePending(held.get()))) {
      error = EAGAIN;
    }
    if (error == 0) {
      m_path = name;
      m_lock.reset(new Lock{std::move(held)});
    }
  }
  return error;
}

namespace {

// Removes the entries of `parent` whose names `matches` approves and that a
// run of this user left behind: this user's, not links, not held by a live
// run, folders (`folders`) or regular files with no other name. The hold
// is kept while `remove` deletes one (0 on success), so a run that is just
// starting cannot take it in between. Returns how many went.
int RemoveAbandoned(const std::string& parent,
                    const std::function<bool(const std::string&)>& matches, bool folders,
                    const std::function<int(const std::string&, HANDLE)>& remove) {
  win32::Handle folder;
  if (win32::OpenPath(win32::SystemPath(parent), FILE_LIST_DIRECTORY, OPEN_EXISTING, true,
                      folder) != 0) {
    return 0;
  }
  std::vector<std::string> names;
  int readError = 0;
  win32::ReadFolder(
      folder.get(),
      [&names, &matches](const win32::FolderEntry& entry) {
        std::string name = Narrow(entry.name);
        if (matches(name)) names.push_back(std::move(name));
        return true;
      },
      readError);

  int removed = 0;
  for (const std::string& name : names) {
    const std::string path = parent + "\\" + name;
    win32::Handle entry;
    win32::EntryFacts facts;
    // A live run's folder refuses this open; a live run's file its lock.
    const int error = folders ? win32::OpenPath(win32::SystemPath(path),
                                                DELETE | FILE_READ_ATTRIBUTES | READ_CONTROL,
                                                OPEN_EXISTING, false, entry, nullptr, kCleanerShare)
                              : win32::OpenPath(win32::SystemPath(path), GENERIC_READ | DELETE,
                                                OPEN_EXISTING, false, entry);
    if (error != 0 || win32::FactsOf(entry.get(), facts) != 0 ||
        !IsOwn(entry.get(), folders ? win32::FileKind::kDirectory : win32::FileKind::kRegular,
               facts) ||
        DeletePending(entry.get())) {
      continue;
    }
    if ((folders || (facts.links == 1 && win32::TryLock(entry.get()) == 0)) &&
        remove(path, entry.get()) == 0) {
      ++removed;
    }
  }
  return removed;
}

}  // namespace

int RemoveAbandonedRunFolders(const std::string& parent, const std::string& prefix,
                              int (*remove)(const std::string& path)) {
  const std::string start = prefix + "_";
  return RemoveAbandoned(
      parent,
      [&start](const std::string& name) { return name.compare(0, start.size(), start) == 0; }, true,
      [remove](const std::string& path, HANDLE) { return remove(path); });
}

int RemoveAbandonedPartialFiles(const std::string& folder) {
  // The file found is deleted through the handle that was checked and
  // locked, whatever has its name by then.
  return RemoveAbandoned(
      folder, &PartialFile::IsPartialName, false,
      [](const std::string&, HANDLE file) { return win32::DeleteByHandle(file); });
}

}  // namespace platform
}  // namespace velt
