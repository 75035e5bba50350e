// helperUtil: searching folders, copying and deleting files and trees.
#include <climits>
#include <vector>

#include "helpers/PathText.h"
#include "platform/FileSystem.h"
#include "velt/helpers/helperUtil.h"
#include "velt/runtime/CAppLog.h"
#include "velt/runtime/ResultCodes.h"

namespace {

using velt::platform::FileStatus;

// The separator in narrow (platform) paths.
constexpr char kSeparator = static_cast<char>(velt::kPathSeparator);

bool HasWildcard(const std::string& pattern) {
  return pattern.find_first_of("*?") != std::string::npos;
}

bool IsDotEntry(const std::wstring& name) { return name == L"." || name == L".."; }

// The search record of one entry. A link is described by itself (its own
// times, REPARSE_POINT) but is a directory when it points at one, as a
// Windows directory link is.
FILE_INFO MakeFileInfo(const velt::platform::FoundEntry& entry) {
  const FileStatus& status = entry.status;
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
  info.lastAccessTime = status.lastAccessTime;
  return info;
}

// "name (2).ext", "name (3).ext", ... beside `path`: the name a copy gets
// instead of replacing a file that appeared at its destination.
std::string CollisionName(const std::string& path, int number) {
  size_t slash = path.find_last_of(kSeparator);
  size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash) ||
      dot == (slash == std::string::npos ? 0 : slash + 1)) {
    dot = path.size();
  }
  return path.substr(0, dot) + " (" + std::to_string(number) + ")" + path.substr(dot);
}

// Copies one file to a destination that does not exist, creating its
// folders and keeping the source's times. Nothing is left at the
// destination when the copy fails. 0 or the error number.
int CopyOneFile(const std::string& source, const std::string& destination,
                const FileStatus& sourceStatus) {
  if (sourceStatus.isDirectory) {
    return EISDIR;
  }
  size_t slash = destination.find_last_of(kSeparator);
  if (slash != std::string::npos && slash > 0) {
    int error = velt::platform::CreateDirectories(destination.substr(0, slash));
    if (error != 0) {
      return error;
    }
  }
  velt::platform::File in;
  int error = in.OpenForReading(source);
  if (error != 0) {
    return error;
  }
  uint64_t size = 0;
  if ((error = in.Size(size)) != 0) {
    return error;
  }
  velt::platform::File out;
  std::string target = destination;
  error = out.CreateNew(target);
  for (int number = 2; error == EEXIST && number < 1000; ++number) {
    target = CollisionName(destination, number);
    error = out.CreateNew(target);
  }
  if (error != 0) {
    return error;
  }
  // Files that report no size (those of /proc and /sys) are read to their
  // end; others up to the size they had when opened, so a log that grows
  // meanwhile is copied as it was.
  error = out.CopyFrom(in, 0, size > 0 ? size : UINT64_MAX);
  if (error == 0) {
    error = out.SetTimes(sourceStatus.lastAccessTime, sourceStatus.lastWriteTime);
  }
  int closeError = out.Close();
  if (error == 0) {
    error = closeError;
  }
  if (error != 0) {
    velt::platform::DeleteFileEntry(target);
  }
  return error;
}

}  // namespace

long helperUtil::fileFindAll(const std::wstring& directory, const std::wstring& pattern,
                             std::list<FILE_INFO>& files) {
  if (directory.empty()) {
    VELT_LOG_MESSAGE('E', "tstrDirectory is an empty string");
    return VELTENGINE_ERROR_BAD_PARAMETER;
  }
  // A pattern may carry folders of its own; only its last element is
  // matched against names.
  std::string full = velt::Narrow(velt::WithSeparator(directory) + pattern);
  size_t slash = full.find_last_of(kSeparator);
  std::string folder = full.substr(0, slash + 1);
  std::string namePattern = full.substr(slash + 1);
  if (namePattern.empty()) {
    return VELTENGINE_ERROR_FILE_NOT_FOUND;
  }
  if (namePattern == "*.*") {
    namePattern = "*";  // every name, with or without a dot
  }
  if (!HasWildcard(namePattern)) {
    // One name: look it up instead of reading the folder.
    velt::platform::FoundEntry entry;
    entry.name = namePattern;
    std::string path = folder + namePattern;
    if (velt::platform::GetFileStatus(path, false, entry.status) != 0) {
      return VELTENGINE_ERROR_FILE_NOT_FOUND;
    }
    FileStatus target;
    entry.leadsToDirectory =
        entry.status.isDirectory ||
        (entry.status.isSymlink && velt::platform::GetFileStatus(path, true, target) == 0 &&
         target.isDirectory);
    files.push_back(MakeFileInfo(entry));
    return 0;
  }
  std::vector<velt::platform::FoundEntry> entries;
  auto accept = [&](const std::string& name) {
    return wildcmp(namePattern.c_str(), name.c_str()) != 0;
  };
  if (velt::platform::SearchDirectory(folder, accept, entries) != 0 || entries.empty()) {
    return VELTENGINE_ERROR_FILE_NOT_FOUND;
  }
  for (const velt::platform::FoundEntry& entry : entries) {
    files.push_back(MakeFileInfo(entry));
  }
  return 0;
}

long helperUtil::fileGetNewestMatchingFile(const std::wstring& directory,
                                           const std::wstring& pattern, FILE_INFO& newest) {
  std::list<FILE_INFO> files;
  long rc = fileFindAll(directory, pattern, files);
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

long helperUtil::fileCopy(const std::wstring& source, const std::wstring& destination) {
  std::string from = velt::Narrow(source);
  std::string to = velt::Narrow(destination);
  FileStatus sourceStatus;
  if (velt::platform::GetFileStatus(from, true, sourceStatus) != 0) {
    return VELTENGINE_ERROR_FILE_NOT_FOUND;
  }
  if (source == destination) {
    return 0;
  }
  if (from.size() >= PATH_MAX || to.size() >= PATH_MAX) {
    VELT_LOG_MESSAGE('E', "Path too long to copy: \"%s\" to \"%s\"", from.c_str(), to.c_str());
    return VELTENGINE_ERROR_BAD_PARAMETER;
  }
  // The same file under another name: deleting the destination would
  // delete the source.
  FileStatus destinationStatus;
  if (velt::platform::GetFileStatus(to, true, destinationStatus) == 0 &&
      destinationStatus.device == sourceStatus.device &&
      destinationStatus.inode == sourceStatus.inode) {
    return 0;
  }
  long rc = fileDelete(destination);
  if (rc != 0) {
    VELT_LOG_CODE('E', "helperUtil::fileDelete", rc);
    return rc;
  }
  int error = CopyOneFile(from, to, sourceStatus);
  if (error != 0) {
    VELT_LOG_CODE('E', "::SHFileOperation", error, "\"%s\" to \"%s\"", from.c_str(), to.c_str());
    return VELTENGINE_ERROR_UNEXPECTED;
  }
  return 0;
}

long helperUtil::fileDelete(const std::wstring& path) {
  int error = velt::platform::DeleteFileEntry(velt::Narrow(path));
  if (error == 0 || error == ENOENT) {
    return 0;
  }
  VELT_LOG_CODE('E', "unlink_file", error, "%s", velt::Narrow(path).c_str());
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
  FileStatus status;
  int error = velt::platform::GetFileStatus(velt::Narrow(folder), false, status);
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
  switch (error) {
    case EEXIST:
      return 0;
    case ENOENT:
    case ENOTDIR:
      return VELTENGINE_ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
      return VELTENGINE_ERROR_ACCESS_DENIED;
    default:
      return VELTENGINE_ERROR_UNEXPECTED;
  }
}
