// Copying what a collect gathers on Windows: the source is reached by the
// owner rule (LinkWalk), opened as the file that was examined, and copied
// into entries created with FILE_CREATE relative to their folder, never
// through a reparse point and never over an existing entry.
#include "platform/CollectCopy.h"

#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <utility>

#include "platform/FileSystem.h"
#include "platform/WalkedFolder.h"
#include "platform/common/CopyLedger.h"
#include "platform/win32/FileCalls.h"
#include "platform/win32/LinkWalk.h"
#include "platform/win32/Win32Error.h"
#include "velt/platform/TextEncoding.h"

namespace velt {
namespace platform {
namespace {

using win32::EntryFacts;
using win32::Handle;
using win32::Reached;

// The names in the open folder, "." and ".." left out, in byte order of
// their UTF-8. 0 or the error of reading it.
int ReadNames(HANDLE folder, std::vector<std::wstring>& names,
              const std::function<bool(const EntryFacts&)>& wanted = nullptr) {
  int readError = 0;
  int error = win32::ReadFolder(
      folder,
      [&names, &wanted](const win32::FolderEntry& entry) {
        if (entry.name != L"." && entry.name != L".." && (!wanted || wanted(entry.facts))) {
          names.push_back(entry.name);
        }
        return true;
      },
      readError);
  std::sort(names.begin(), names.end(),
            [](const std::wstring& a, const std::wstring& b) { return Narrow(a) < Narrow(b); });
  return error != 0 ? error : readError;
}

// The parts of a sparse file that hold data, within its first `size`
// bytes; the whole file when the system does not say.
std::vector<FILE_ALLOCATED_RANGE_BUFFER> DataRanges(HANDLE file, uint64_t size) {
  std::vector<FILE_ALLOCATED_RANGE_BUFFER> ranges;
  FILE_ALLOCATED_RANGE_BUFFER query;
  query.FileOffset.QuadPart = 0;
  query.Length.QuadPart = static_cast<LONGLONG>(size);
  for (;;) {
    FILE_ALLOCATED_RANGE_BUFFER found[64];
    DWORD bytes = 0;
    const BOOL done = DeviceIoControl(file, FSCTL_QUERY_ALLOCATED_RANGES, &query, sizeof query,
                                      found, sizeof found, &bytes, nullptr);
    if (!done && GetLastError() != ERROR_MORE_DATA) {
      ranges.assign(1, query);
      ranges.front().FileOffset.QuadPart = 0;
      ranges.front().Length.QuadPart = static_cast<LONGLONG>(size);
      return ranges;
    }
    const size_t count = bytes / sizeof found[0];
    ranges.insert(ranges.end(), found, found + count);
    if (done || count == 0) {
      return ranges;
    }
    const LONGLONG next = found[count - 1].FileOffset.QuadPart + found[count - 1].Length.QuadPart;
    query.Length.QuadPart -= next - query.FileOffset.QuadPart;
    query.FileOffset.QuadPart = next;
  }
}

class TreeCopier : public CopyLedger {
 public:
  using CopyLedger::CopyLedger;

  // Copies what `source` (shown as `shown`) reached to the new entry `name`
  // of the open folder `destination`, which gets another name when it is
  // taken and `renameOnCollision`. 0, or an error that ends the whole copy
  // (a full disk, or the source itself being refused or failing at the
  // top); problems of entries inside a folder are noted and skipped.
  int Copy(const Reached& source, const std::string& shown, HANDLE destination, std::wstring& name,
           bool renameOnCollision, int depth) {
    const FileKind sourceKind = win32::KindOf(source.facts);
    if (sourceKind == FileKind::kDirectory) {
      return CopyFolder(source, shown, destination, name, renameOnCollision, depth);
    }
    if (sourceKind != FileKind::kRegular) {
      return Refuse(shown, RefusalOfKind(sourceKind), depth);
    }
    Handle input;
    FileKind kind;
    EntryFacts facts;
    int error = win32::OpenForReading(source.object.get(), source.facts, input, kind);
    if (error == EINVAL || error == EISDIR || error == ELOOP) {
      return Refuse(shown, RefusalOfKind(kind), depth);
    }
    if (error == 0) error = win32::FactsOf(input.get(), facts);
    if (error != 0) {
      return Fail(shown, error, depth);
    }
    Handle output;
    error = CreateEntry(destination, name, renameOnCollision, false, output);
    if (error != 0) {
      return Fail(shown, error, depth);
    }
    Created(depth);
    bool shortened = false;
    error = CopyData(input.get(), facts, output.get(), shortened);
    if (error == 0) {
      error = win32::SetTimes(output.get(), facts.lastAccess, facts.lastWrite);
    }
    if (error != 0) {
      win32::DeleteByHandle(output.get());
      return Fail(shown, error, depth);
    }
    if (shortened) {
      Note(shown, CopyRefusal::kReadLimit, 0);
    }
    return 0;
  }

 private:
  int CopyFolder(const Reached& source, const std::string& shown, HANDLE destination,
                 std::wstring& name, bool renameOnCollision, int depth) {
    const FolderIdentity self{source.facts.volume, source.facts.index};
    const CopyRefusal refusal = FolderRefusal(self, depth);
    if (refusal != CopyRefusal::kNone) {
      return Refuse(shown, refusal, depth);
    }
    Handle output;
    int error = CreateEntry(destination, name, renameOnCollision, true, output);
    if (error != 0) {
      return Fail(shown, error, depth);
    }
    if (depth == 0) {
      // The folder being written to is never copied into itself.
      Created(depth);
      EntryFacts created;
      if (win32::FactsOf(output.get(), created) == 0) SetTarget({created.volume, created.index});
    }
    std::vector<std::wstring> names;
    error = ReadNames(source.object.get(), names);
    if (error != 0) {
      Note(shown, CopyRefusal::kNone, error);  // the names read before it are still copied
      error = 0;
    }
    EnterFolder(self);
    for (std::wstring& entry : names) {
      const std::string entryShown = Narrow(win32::JoinPath(Widen(shown), entry));
      Reached reached;
      std::string refused;
      int links = 0;
      error = win32::WalkFrom(source.object.get(), source.path, entry, links, reached, refused);
      if (error == 0) {
        error = Copy(reached, entryShown, output.get(), entry, false, depth + 1);
      } else {
        error = WalkFailed(entryShown, refused, error, depth + 1);
      }
      if (error != 0) {
        break;  // only a full disk ends a folder's copy
      }
    }
    LeaveFolder();
    if (error == 0) {
      error = win32::SetTimes(output.get(), source.facts.lastAccess, source.facts.lastWrite);
    }
    return error;
  }

  // Creates the file or folder `name` in `folder`, never through a link
  // and never over an existing entry.
  static int CreateEntry(HANDLE folder, std::wstring& name, bool renameOnCollision, bool isFolder,
                         Handle& out) {
    const std::wstring wanted = name;
    const ACCESS_MASK access = isFolder ? FILE_LIST_DIRECTORY | FILE_ADD_FILE |
                                              FILE_ADD_SUBDIRECTORY | FILE_TRAVERSE |
                                              FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | DELETE
                                        : GENERIC_WRITE | FILE_READ_ATTRIBUTES | DELETE;
    for (int number = 2;; ++number) {
      int error =
          win32::OpenInFolder(folder, name, access, FILE_CREATE,
                              isFolder ? FILE_DIRECTORY_FILE : FILE_NON_DIRECTORY_FILE, out);
      if (error != EEXIST || !renameOnCollision || number >= 1000) {
        return error;
      }
      name = CollisionName(wanted, number);
    }
  }

  // Copies the data of a regular file opened for reading, keeping the
  // holes of a sparse one.
  static int CopyData(HANDLE in, const EntryFacts& facts, HANDLE out, bool& shortened) {
    uint64_t copied = 0;
    if (facts.size == 0) {
      // A file that reports no size is read to its end, within the bound.
      int error = win32::CopyRange(in, out, 0, 0, kSizelessReadLimit, copied);
      char probe;
      int probeError = 0;
      shortened = error == 0 && copied == kSizelessReadLimit &&
                  win32::ReadAt(in, &probe, 1, copied, probeError) == 1;
      return error;
    }
    std::vector<FILE_ALLOCATED_RANGE_BUFFER> ranges;
    DWORD bytes = 0;
    if ((facts.attributes & FILE_ATTRIBUTE_SPARSE_FILE) != 0 &&
        DeviceIoControl(out, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &bytes, nullptr)) {
      ranges = DataRanges(in, facts.size);
    } else {
      ranges.resize(1);
      ranges[0].FileOffset.QuadPart = 0;
      ranges[0].Length.QuadPart = static_cast<LONGLONG>(facts.size);
    }
    // The data up to the size the file had when opened.
    uint64_t end = facts.size;
    for (const FILE_ALLOCATED_RANGE_BUFFER& range : ranges) {
      const uint64_t from = static_cast<uint64_t>(range.FileOffset.QuadPart);
      const uint64_t to = std::min(from + static_cast<uint64_t>(range.Length.QuadPart), facts.size);
      if (from >= to) {
        continue;
      }
      int error = win32::CopyRange(in, out, from, from, to - from, copied);
      if (error != 0) {
        return error;
      }
      if (copied < to - from) {
        end = from + copied;  // the file shrank meanwhile
        break;
      }
    }
    FILE_END_OF_FILE_INFO length;
    length.EndOfFile.QuadPart = static_cast<LONGLONG>(end);
    return SetFileInformationByHandle(out, FileEndOfFileInfo, &length, sizeof length) ? 0
                                                                                      : LastErrno();
  }

};

// Removes what a failed copy left at `name` in `folder`.
void RemoveTree(HANDLE folder, const std::wstring& name) {
  Handle entry;
  EntryFacts facts;
  if (win32::OpenInFolder(folder, name, DELETE | FILE_READ_ATTRIBUTES, FILE_OPEN, 0, entry) != 0 ||
      win32::FactsOf(entry.get(), facts) != 0) {
    return;
  }
  if (win32::KindOf(facts) == FileKind::kDirectory) {
    std::vector<std::wstring> names;
    ReadNames(entry.get(), names);
    for (const std::wstring& inner : names) RemoveTree(entry.get(), inner);
  }
  win32::DeleteByHandle(entry.get());
}

uint64_t SumRegularFiles(HANDLE folder, int depth) {
  uint64_t total = 0;
  std::vector<std::wstring> folders;
  int readError = 0;
  win32::ReadFolder(
      folder,
      [&total, &folders](const win32::FolderEntry& entry) {
        const FileKind kind = win32::KindOf(entry.facts);
        if (kind == FileKind::kRegular) {
          total += entry.facts.size;
        } else if (kind == FileKind::kDirectory && entry.name != L"." && entry.name != L"..") {
          folders.push_back(entry.name);
        }
        return true;
      },
      readError);
  if (depth < kMaxCopyDepth) {
    for (const std::wstring& name : folders) {
      Handle inner;
      if (win32::OpenInFolder(folder, name, FILE_READ_ATTRIBUTES, FILE_OPEN, FILE_DIRECTORY_FILE,
                              inner) == 0) {
        total += SumRegularFiles(inner.get(), depth + 1);
      }
    }
  }
  return total;
}

}  // namespace

int CopyForCollection(const WalkedFolder& folder, const std::string& name,
                      const std::string& destination, CopyOutcome& outcome) {
  outcome = CopyOutcome();
  TreeCopier copier(outcome);
  const std::string source = Narrow(win32::JoinPath(Widen(folder.path()), Widen(name)));
  // The folder holding the source was reached by the owner rule; from its
  // entry on, links must pass the rule too.
  Reached reached;
  std::string refused;
  int links = 0;
  int error = folder.IsOpen() ? win32::WalkFrom(WalkedFolderAccess::Folder(folder),
                                                WalkedFolderAccess::FullPath(folder), Widen(name),
                                                links, reached, refused)
                              : EBADF;
  if (error != 0) {
    return copier.WalkFailed(source, refused, error, 0);
  }
  auto [destinationFolder, destinationName] = SplitPath(destination);
  error = CreateDirectories(destinationFolder);
  Handle to;
  if (error == 0) {
    error = win32::OpenPath(
        win32::SystemPath(destinationFolder),
        FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES, OPEN_EXISTING,
        true, to);
  }
  if (error != 0) {
    outcome.failure = CopyProblem{destination, CopyRefusal::kNone, error};
    return error;
  }
  std::wstring written = Widen(destinationName);
  error = copier.Copy(reached, source, to.get(), written, true, 0);
  if (error != 0) {
    if (copier.createdTop()) {
      RemoveTree(to.get(), written);
    }
    return error;
  }
  outcome.written = Narrow(win32::JoinPath(Widen(destinationFolder), written));
  return 0;
}

int TotalRegularFileSize(const std::string& path, uint64_t& total) {
  Handle folder;
  EntryFacts facts;
  int error = win32::ExaminePath(win32::SystemPath(path), true, folder, facts);
  if (error == 0 && win32::KindOf(facts) != FileKind::kDirectory) {
    error = ENOTDIR;
  }
  if (error != 0) {
    return error;
  }
  total = SumRegularFiles(folder.get(), 0);
  return 0;
}

}  // namespace platform
}  // namespace velt
