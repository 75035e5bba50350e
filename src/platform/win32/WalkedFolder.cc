#include "platform/WalkedFolder.h"

#include <windows.h>

#include <algorithm>

#include "platform/common/CheckedRemoval.h"
#include "platform/win32/FileCalls.h"
#include "platform/win32/LinkWalk.h"
#include "platform/win32/Win32Error.h"
#include "velt/platform/TextEncoding.h"

namespace velt {
namespace platform {

struct WalkedFolder::Handle {
  win32::Reached folder;  // opened for its attributes; names are opened relative to it
};

HANDLE WalkedFolderAccess::Folder(const WalkedFolder& folder) {
  return folder.m_handle->folder.object.get();
}

const std::wstring& WalkedFolderAccess::FullPath(const WalkedFolder& folder) {
  return folder.m_handle->folder.path;
}

WalkedFolder::WalkedFolder() = default;
WalkedFolder::~WalkedFolder() = default;
WalkedFolder::WalkedFolder(WalkedFolder&&) noexcept = default;
WalkedFolder& WalkedFolder::operator=(WalkedFolder&&) noexcept = default;

int WalkedFolder::Open(const std::string& path, std::string& refusedLink) {
  m_handle.reset();
  m_path = path;
  refusedLink.clear();
  win32::Reached reached;
  int links = 0;
  int error = win32::WalkPath(Widen(path), links, reached, refusedLink);
  if (error != 0) {
    return error;
  }
  if (win32::KindOf(reached.facts) != win32::FileKind::kDirectory) {
    return ENOTDIR;
  }
  m_handle = std::make_unique<Handle>();
  m_handle->folder = std::move(reached);
  return 0;
}

bool WalkedFolder::SameFolder(const WalkedFolder& other) const {
  win32::EntryFacts mine, theirs;
  return IsOpen() && other.IsOpen() && win32::FactsOf(m_handle->folder.object.get(), mine) == 0 &&
         win32::FactsOf(other.m_handle->folder.object.get(), theirs) == 0 &&
         mine.volume == theirs.volume && mine.index == theirs.index;
}

int WalkedFolder::Search(const std::function<bool(const std::string&)>& accept,
                         std::vector<FoundEntry>& found, int& readError) const {
  found.clear();
  readError = 0;
  if (!IsOpen()) {
    return EBADF;
  }
  // The listing describes each entry itself; a link to a folder is one
  // made as a folder's link (Windows tells the two kinds of link apart).
  int error = win32::ReadFolder(
      m_handle->folder.object.get(),
      [&accept, &found](const win32::FolderEntry& entry) {
        std::string name = Narrow(entry.name);
        if (accept(name)) {
          FoundEntry item;
          item.name = std::move(name);
          win32::FillDetails(entry.facts, item.status);
          item.leadsToDirectory = (entry.facts.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
          found.push_back(std::move(item));
        }
        return true;
      },
      readError);
  std::sort(found.begin(), found.end(), [](const FoundEntry& a, const FoundEntry& b) {
    return a.name < b.name;  // UTF-8 in byte order is code point order
  });
  return error;
}

int WalkedFolder::Status(const std::string& name, bool followLinks, FileDetails& status) const {
  status = FileDetails();
  if (!IsOpen()) {
    return EBADF;
  }
  win32::Handle entry;
  win32::EntryFacts facts;
  int error = win32::OpenInFolder(m_handle->folder.object.get(), Widen(name), FILE_READ_ATTRIBUTES,
                                  FILE_OPEN, 0, entry);
  if (error == 0) error = win32::FactsOf(entry.get(), facts);
  if (error == 0 && followLinks && win32::KindOf(facts) == win32::FileKind::kSymlink) {
    // Followed as the system follows it, as fstatat does.
    error =
        win32::ExaminePath(win32::JoinPath(m_handle->folder.path, Widen(name)), true, entry, facts);
  }
  if (error == 0) {
    win32::FillDetails(facts, status);
  }
  return error;
}

int WalkedFolder::ReadLink(const std::string& name, std::string& target) const {
  if (!IsOpen()) {
    return EBADF;
  }
  win32::Handle link;
  win32::LinkText text;
  int error = win32::OpenInFolder(m_handle->folder.object.get(), Widen(name), FILE_READ_ATTRIBUTES,
                                  FILE_OPEN, 0, link);
  if (error == 0) error = win32::ReadLinkText(link.get(), text);
  if (error == 0) {
    target = Narrow(text.shown);
  }
  return error;
}

EntryRemoval WalkedFolder::RemoveEntry(const std::string& name, uint64_t device, uint64_t inode,
                                       int& error) const {
  error = 0;
  if (!IsOpen()) {
    error = EBADF;
    return EntryRemoval::kFailed;
  }
  // The entry is opened in the folder that was checked and deleted through
  // that very handle: unlike a removal by name, nothing put at the name
  // after the check can be deleted instead.
  win32::Handle entry;
  win32::EntryFacts facts;
  error = win32::OpenInFolder(m_handle->folder.object.get(), Widen(name),
                              DELETE | FILE_READ_ATTRIBUTES, FILE_OPEN, 0, entry);
  if (error == 0) error = win32::FactsOf(entry.get(), facts);
  if (error != 0) {
    return error == ENOENT ? EntryRemoval::kGone : EntryRemoval::kFailed;
  }
  if (facts.volume != device || facts.index != inode) {
    return EntryRemoval::kReplaced;
  }
  FileDetails details;
  win32::FillDetails(facts, details);
  return RemoveCheckedEntry(
      details, [&entry] { return win32::DeleteByHandle(entry.get()); }, error);
}

}  // namespace platform
}  // namespace velt
