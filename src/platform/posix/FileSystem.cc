#include "platform/FileSystem.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/FileCalls.h"

namespace velt {
namespace platform {

const size_t kPathLimit = PATH_MAX;

namespace {

std::string WithoutTrailingSlashes(const std::string& path) {
  std::string trimmed = path;
  while (trimmed.size() > 1 && trimmed.back() == '/') {
    trimmed.pop_back();
  }
  return trimmed;
}

std::string LastElement(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

int GetFileDetails(const std::string& path, bool followLinks, FileDetails& details) {
  details = FileDetails();
  struct stat info;
  // Without following, a trailing "/" would make lstat resolve a link.
  std::string target = followLinks ? path : WithoutTrailingSlashes(path);
  if ((followLinks ? stat(target.c_str(), &info) : lstat(target.c_str(), &info)) != 0) {
    return errno;
  }
  posix::FillDetails(info, LastElement(WithoutTrailingSlashes(path)), details);
  return 0;
}

std::pair<std::string, std::string> SplitPath(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return {".", path};
  if (slash == 0) return {"/", path.size() > 1 ? path.substr(1) : "."};
  return {path.substr(0, slash), path.substr(slash + 1)};
}

int DeleteFileEntry(const std::string& path) {
  std::string target = WithoutTrailingSlashes(path);
  struct stat info;
  if (lstat(target.c_str(), &info) != 0) {
    return errno;
  }
  if (S_ISDIR(info.st_mode)) {
    return EISDIR;
  }
  if (!S_ISLNK(info.st_mode) && (info.st_mode & S_IWUSR) == 0) {
    return EACCES;
  }
  return unlink(target.c_str()) == 0 ? 0 : errno;
}

int RemoveEmptyDirectory(const std::string& path) {
  std::string target = WithoutTrailingSlashes(path);
  struct stat info;
  if (lstat(target.c_str(), &info) != 0) {
    return errno;
  }
  if (!S_ISDIR(info.st_mode)) {
    return ENOTDIR;
  }
  return rmdir(target.c_str()) == 0 ? 0 : errno;
}

int CreateOneDirectory(const std::string& path) {
  return mkdir(path.c_str(), 0777) == 0 ? 0 : errno;
}

int CreateDirectories(const std::string& path) {
  std::string target = WithoutTrailingSlashes(path);
  if (target.empty()) {
    return 0;
  }
  struct stat info;
  if (stat(target.c_str(), &info) == 0) {
    return S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
  }
  size_t slash = target.find_last_of('/');
  if (slash != std::string::npos && slash > 0) {
    int error = CreateDirectories(target.substr(0, slash));
    if (error != 0) {
      return error;
    }
  }
  if (mkdir(target.c_str(), 0777) != 0 && errno != EEXIST) {
    return errno;
  }
  return 0;
}

}  // namespace platform
}  // namespace velt
