// helperUtil: searching folders, copying and deleting files and trees.
#include <vector>

#include "helpers/FolderFiles.h"
#include "helpers/PathText.h"
#include "platform/CollectCopy.h"
#include "platform/FileSystem.h"
#include "platform/SystemError.h"
#include "velt/helpers/helperUtil.h"
#include "velt/runtime/CAppLog.h"
#include "velt/runtime/ResultCodes.h"

namespace {

using velt::platform::FileDetails;

bool HasWildcard(const std::string& pattern) {
  return pattern.find_first_of("*?") != std::string::npos;
}

bool IsDotEntry(const std::wstring& name) { return name == L"." || name == L".."; }

// The search record of one entry. A link is described by itself (its own
// times, REPARSE_POINT) but is a directory when it points at one, as a
// Windows directory link is.
// `time` in FILETIME units: 100 ns since 1601-01-01 UTC (0 before that).
uint64_t ToFileTimeUnits(const velt::platform::FileTime& time) {
  constexpr int64_t kSecondsFrom1601To1970 = 11644473600LL;
  if (time.seconds < -kSecondsFrom1601To1970) {
    return 0;
  }
  return static_cast<uint64_t>(time.seconds + kSecondsFrom1601To1970) * 10000000ULL +
         time.nanoseconds / 100;
}

FILE_INFO MakeFileInfo(const velt::platform::FoundEntry& entry) {
  const FileDetails& status = entry.status;
  uint32_t attributes = 0;
  if (entry.leadsToDirectory) attributes |= VELT_FILE_ATTRIBUTE_DIRECTORY;
  if (status.isSymlink) attributes |= VELT_FILE_ATTRIBUTE_REPARSE_POINT;
  if (status.readOnly) attributes |= VELT_FILE_ATTRIBUTE_READONLY;
  if (status.hidden) attributes |= VELT_FILE_ATTRIBUTE_HIDDEN;
  if (attributes == 0) attributes = VELT_FILE_ATTRIBUTE_NORMAL;
  FILE_INFO info;
  info.fileName = velt::Widen(entry.name);
  info.isDirectory = entry.leadsToDirectory;
  info.fileAttributes = attributes;
  info.lastAccessTime = ToFileTimeUnits(status.lastAccess);
  return info;
}

// The reason of the calling thread's last failed file operation.
thread_local std::wstring t_lastFileError;

// Records the outcome of a file operation: `reason` (narrow) when it
// failed, nothing when it succeeded.
void SetLastFileError(const std::string& reason) { t_lastFileError = velt::Widen(reason); }

// Why `problem.path` was not copied, as a sentence naming the path.
std::string Describe(const velt::platform::CopyProblem& problem) {
  using velt::platform::CopyRefusal;
  const std::string& path = problem.path;
  const char* kind = nullptr;
  switch (problem.refusal) {
    case CopyRefusal::kFifo:
      kind = "a FIFO";
      break;
    case CopyRefusal::kSocket:
      kind = "a socket";
      break;
    case CopyRefusal::kCharacterDevice:
      kind = "a character device";
      break;
    case CopyRefusal::kBlockDevice:
      kind = "a block device";
      break;
    case CopyRefusal::kNotRegular:
      kind = "not a regular file";
      break;
    case CopyRefusal::kForeignLink:
      return path + " is a link owned by another user than its target's owner; not followed";
    case CopyRefusal::kFolderLoop:
      return path + " is a folder met again inside itself through a link; not copied";
    case CopyRefusal::kCopyTarget:
      return path + " is the folder the copy is written to; not copied";
    case CopyRefusal::kTooDeep:
      return path + " lies more than " + std::to_string(velt::platform::kMaxCopyDepth) +
             " folders deep; not copied";
    case CopyRefusal::kReadLimit:
      return path + " has no real size; only its first " +
             std::to_string(velt::platform::kSizelessReadLimit >> 20) + " MiB were copied";
    case CopyRefusal::kNone:
      if (velt::platform::ErrorKindOf(problem.error) == velt::platform::ErrorKind::kNotFound) {
        return path + " not found";
      }
      return path + ": " +
             velt::platform::SystemErrorText(static_cast<unsigned long>(problem.error));
  }
  return path + " is " + kind + "; only regular files are collected";
}

// The path of the entry `name` of an open folder, for messages.
std::string InFolder(const velt::platform::WalkedFolder& folder, const std::string& name) {
  const std::string& path = folder.path();
  constexpr char kSeparator = velt::kNarrowPathSeparator;
  return path.empty() || path.back() == kSeparator ? path + name : path + kSeparator + name;
}

// The newest of `files` (listed by a search that gave `rc`) into `newest`.
long PickNewest(long rc, const std::list<FILE_INFO>& files, FILE_INFO& newest) {
  if (rc != 0) {
    if (rc != VELTENGINE_ERROR_FILE_NOT_FOUND) {
      VELT_LOG_CODE('E', "helperUtil::fileFindAll", rc);
    }
    return rc;
  }
  newest.fileName.clear();
  newest.lastAccessTime = 0;
  for (const FILE_INFO& file : files) {
    if (file.lastAccessTime >= newest.lastAccessTime) {
      newest.fileName = file.fileName;
      newest.fileAttributes = file.fileAttributes;
      newest.isDirectory = file.isDirectory;
      newest.lastAccessTime = file.lastAccessTime;
    }
  }
  return 0;
}

}  // namespace

namespace velt {

long OpenSearchFolder(const std::wstring& folder, velt::platform::WalkedFolder& out) {
  SetLastFileError("");
  if (folder.empty()) {
    VELT_LOG_MESSAGE('E', "tstrDirectory is an empty string");
    SetLastFileError("no folder given to search");
    return VELTENGINE_ERROR_BAD_PARAMETER;
  }
  const std::string path = Narrow(folder);
  std::string refusedLink;
  if (out.Open(path, refusedLink) == 0) {
    return 0;
  }
  if (!refusedLink.empty()) {
    velt::platform::CopyProblem problem{refusedLink, velt::platform::CopyRefusal::kForeignLink, 0};
    const std::string reason = Describe(problem);
    VELT_LOG_MESSAGE('W', "%s", reason.c_str());
    SetLastFileError(reason);
    return VELTENGINE_ERROR_ACCESS_DENIED;
  }
  SetLastFileError(path + " not found");
  return VELTENGINE_ERROR_FILE_NOT_FOUND;
}

long FindEntriesInFolder(const velt::platform::WalkedFolder& folder, const std::wstring& pattern,
                         std::vector<velt::platform::FoundEntry>& found) {
  SetLastFileError("");
  found.clear();
  std::string namePattern = Narrow(pattern);
  const std::string full = InFolder(folder, namePattern);
  if (namePattern == "*.*") {
    namePattern = "*";  // every name, with or without a dot
  }
  if (namePattern.empty() || !folder.IsOpen()) {
    SetLastFileError(full + " not found");
    return VELTENGINE_ERROR_FILE_NOT_FOUND;
  }
  int readError = 0;
  if (!HasWildcard(namePattern)) {
    // One name: look it up instead of reading the folder.
    velt::platform::FoundEntry entry;
    entry.name = namePattern;
    FileDetails target;
    if (folder.Status(namePattern, false, entry.status) == 0) {
      entry.leadsToDirectory =
          entry.status.isDirectory || (entry.status.isSymlink &&
                                       folder.Status(namePattern, true, target) == 0 &&
                                       target.isDirectory);
      found.push_back(entry);
    }
  } else {
    auto accept = [&](const std::string& name) {
      return helperUtil::wildcmp(namePattern.c_str(), name.c_str()) != 0;
    };
    if (folder.Search(accept, found, readError) != 0) {
      found.clear();
    }
  }
  if (found.empty() && readError == 0) {
    SetLastFileError(full + " not found");
    return VELTENGINE_ERROR_FILE_NOT_FOUND;
  }
  if (readError != 0) {
    // What was found before the failure stays in the list.
    VELT_LOG_CODE('E', "::FindNextFile", readError, "%s", folder.path().c_str());
    SetLastFileError(folder.path() + ": " + velt::platform::SystemErrorText(readError));
    return VELTENGINE_ERROR_UNEXPECTED;
  }
  return 0;
}

long FindInFolder(const velt::platform::WalkedFolder& folder, const std::wstring& pattern,
                  std::list<FILE_INFO>& files) {
  std::vector<velt::platform::FoundEntry> found;
  const long rc = FindEntriesInFolder(folder, pattern, found);
  for (const velt::platform::FoundEntry& entry : found) {
    files.push_back(MakeFileInfo(entry));
  }
  return rc;
}

long FindNewestInFolder(const velt::platform::WalkedFolder& folder, const std::wstring& pattern,
                        FILE_INFO& newest) {
  std::list<FILE_INFO> files;
  const long rc = FindInFolder(folder, pattern, files);
  return PickNewest(rc, files, newest);
}

long CopyFromFolder(const velt::platform::WalkedFolder& folder, const std::wstring& name,
                    const std::wstring& destination) {
  const std::string entry = Narrow(name);
  const std::string from = InFolder(folder, entry);
  const std::string to = Narrow(destination);
  FileDetails sourceStatus;
  if (folder.Status(entry, true, sourceStatus) != 0) {
    SetLastFileError(from + " not found");
    return VELTENGINE_ERROR_FILE_NOT_FOUND;
  }
  SetLastFileError("");
  if (from == to) {
    return 0;
  }
  if (from.size() >= velt::platform::kPathLimit || to.size() >= velt::platform::kPathLimit) {
    VELT_LOG_MESSAGE('E', "Path too long to copy: \"%s\" to \"%s\"", from.c_str(), to.c_str());
    SetLastFileError(from + ": path too long");
    return VELTENGINE_ERROR_BAD_PARAMETER;
  }
  // The same file under another name: deleting the destination would
  // delete the source.
  FileDetails destinationStatus;
  if (velt::platform::GetFileDetails(to, true, destinationStatus) == 0 &&
      velt::platform::IsSameFile(destinationStatus, sourceStatus)) {
    return 0;
  }
  long rc = helperUtil::fileDelete(destination);
  if (rc != 0) {
    VELT_LOG_CODE('E', "helperUtil::fileDelete", rc);
    return rc;  // fileDelete gave the reason
  }
  velt::platform::CopyOutcome outcome;
  int error = velt::platform::CopyForCollection(folder, entry, to, outcome);
  for (const velt::platform::CopyProblem& note : outcome.notes) {
    VELT_LOG_MESSAGE('W', "%s", Describe(note).c_str());
  }
  if (error == 0) {
    return 0;
  }
  const std::string reason = Describe(outcome.failure);
  SetLastFileError(reason);
  if (outcome.failure.refusal != velt::platform::CopyRefusal::kNone) {
    VELT_LOG_MESSAGE('W', "%s", reason.c_str());
    return VELTENGINE_ERROR_ACCESS_DENIED;
  }
  if (velt::platform::ErrorKindOf(error) == velt::platform::ErrorKind::kNotFound &&
      outcome.failure.path == from) {
    return VELTENGINE_ERROR_FILE_NOT_FOUND;  // vanished since it was found
  }
  VELT_LOG_CODE('E', "::SHFileOperation", error, "\"%s\" to \"%s\"", from.c_str(), to.c_str());
  return VELTENGINE_ERROR_UNEXPECTED;
}

}  // namespace velt

std::wstring helperUtil::lastFileError() { return t_lastFileError; }

long helperUtil::fileFindAll(const std::wstring& directory, const std::wstring& pattern,
                             std::list<FILE_INFO>& files) {
  // A pattern may carry folders of its own; only its last element is
  // matched against names.
  const std::wstring full = directory.empty() ? L"" : velt::WithSeparator(directory) + pattern;
  const size_t slash = full.find_last_of(velt::kPathSeparator);
  const std::wstring folder = slash == std::wstring::npos ? full : full.substr(0, slash + 1);
  velt::platform::WalkedFolder opened;
  long rc = velt::OpenSearchFolder(folder, opened);
  if (rc == VELTENGINE_ERROR_FILE_NOT_FOUND) {
    SetLastFileError(velt::Narrow(full) + " not found");
  }
  return rc != 0 ? rc : velt::FindInFolder(opened, full.substr(slash + 1), files);
}

long helperUtil::fileGetNewestMatchingFile(const std::wstring& directory,
                                           const std::wstring& pattern, FILE_INFO& newest) {
  std::list<FILE_INFO> files;
  const long rc = fileFindAll(directory, pattern, files);
  return PickNewest(rc, files, newest);
}

long helperUtil::fileCopy(const std::wstring& source, const std::wstring& destination) {
  auto [folder, name] = velt::platform::SplitPath(velt::Narrow(source));
  velt::platform::WalkedFolder opened;
  long rc = velt::OpenSearchFolder(velt::Widen(folder), opened);
  if (rc == VELTENGINE_ERROR_FILE_NOT_FOUND) {
    SetLastFileError(velt::Narrow(source) + " not found");  // the source cannot be examined
  }
  return rc != 0 ? rc : velt::CopyFromFolder(opened, velt::Widen(name), destination);
}

long helperUtil::fileDelete(const std::wstring& path) {
  int error = velt::platform::DeleteFileEntry(velt::Narrow(path));
  using velt::platform::ErrorKind;
  const ErrorKind kind = velt::platform::ErrorKindOf(error);
  if (kind == ErrorKind::kNone || kind == ErrorKind::kNotFound) {
    SetLastFileError("");
    return 0;
  }
  VELT_LOG_CODE('E', "unlink_file", error, "%s", velt::Narrow(path).c_str());
  SetLastFileError(velt::Narrow(path) + ": " + velt::platform::SystemErrorText(error));
  return VELTENGINE_ERROR_UNEXPECTED;
}

long helperUtil::fileDeleteAll(const std::wstring& directory) {
  if (directory.empty()) {
    VELT_LOG_MESSAGE('I', "tstrDirectory is an empty string");
    return VELTENGINE_ERROR_BAD_PARAMETER;
  }
  std::wstring folder = velt::WithSeparator(directory);
  std::list<FILE_INFO> files;
  long rc = fileFindAll(folder, L"*", files);
  if (rc != 0) {
    VELT_LOG_CODE('W', "helperUtil::fileFindAll", rc);
    return rc;
  }
  long result = 0;
  for (const FILE_INFO& file : files) {
    rc = fileDelete(folder + file.fileName);
    if (rc != 0) {
      VELT_LOG_CODE('E', "helperUtil::fileDelete", rc, "%s",
                    velt::Narrow(folder + file.fileName).c_str());
      result = rc;
    }
  }
  return result;
}

long helperUtil::fileDeleteDirectory(const std::wstring& directory) {
  if (directory.empty()) {
    VELT_LOG_MESSAGE('I', "rtstrDirectory is an empty string");
    return VELTENGINE_ERROR_BAD_PARAMETER;
  }
  std::wstring folder = velt::WithSeparator(directory);
  FileDetails status;
  int error = velt::platform::GetFileDetails(velt::Narrow(folder), false, status);
  if (error != 0) {
    VELT_LOG_CODE('E', "access", error, "%s", velt::Narrow(folder).c_str());
    return VELTENGINE_ERROR_ACCESS_DENIED;
  }
  if (status.isSymlink) {
    // A link to a folder goes, never what it points at.
    return fileDelete(directory);
  }
  std::list<FILE_INFO> files;
  long rc = fileFindAll(folder, L"*", files);
  if (rc != 0) {
    VELT_LOG_CODE('W', "helperUtil::fileFindAll", rc);
    if (rc != VELTENGINE_ERROR_FILE_NOT_FOUND) {
      return rc;
    }
    error = velt::platform::RemoveEmptyDirectory(velt::Narrow(folder));
    if (error != 0) {
      VELT_LOG_CODE('E', "::RemoveDirectory", error, "%s", velt::Narrow(folder).c_str());
      return VELTENGINE_ERROR_UNEXPECTED;
    }
    return 0;
  }
  for (const FILE_INFO& file : files) {
    std::wstring path = folder + file.fileName;
    bool isLink = (file.fileAttributes & VELT_FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if (file.isDirectory && !isLink) {
      if (IsDotEntry(file.fileName)) {
        continue;
      }
      if (velt::platform::RemoveEmptyDirectory(velt::Narrow(path)) != 0) {
        fileDeleteDirectory(path);
      }
      continue;
    }
    rc = fileDelete(path);
    if (rc != 0) {
      VELT_LOG_CODE('E', "helperUtil::fileDelete", rc, "%s", velt::Narrow(path).c_str());
    }
  }
  return velt::platform::RemoveEmptyDirectory(velt::Narrow(folder)) == 0
             ? 0
             : VELTENGINE_ERROR_UNEXPECTED;
}

long helperUtil::MakeDirectory(const std::wstring& path) {
  int error = velt::platform::CreateOneDirectory(velt::Narrow(path));
  if (error == 0) {
    return 0;
  }
  VELT_LOG_CODE('E', "::CreateDirectory", error, "%s", velt::Narrow(path).c_str());
  using velt::platform::ErrorKind;
  switch (velt::platform::ErrorKindOf(error)) {
    case ErrorKind::kExists:
      return 0;
    case ErrorKind::kNotFound:
    case ErrorKind::kNotAFolder:
      return VELTENGINE_ERROR_FILE_NOT_FOUND;
    case ErrorKind::kAccessDenied:
    case ErrorKind::kNotPermitted:
      return VELTENGINE_ERROR_ACCESS_DENIED;
    default:
      return VELTENGINE_ERROR_UNEXPECTED;
  }
}
