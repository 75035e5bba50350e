// helperUtil: shortening files to their first or last bytes, and file sizes.
#include "platform/CollectCopy.h"
#include "platform/FileSystem.h"
#include "platform/SystemError.h"
#include "velt/helpers/helperUtil.h"
#include "velt/platform/TextEncoding.h"
#include "velt/runtime/CAppLog.h"
#include "velt/runtime/ResultCodes.h"

namespace {

// The truncations' work file, in the working directory.
const char kTempOut[] = "temp_out.txt";

// Keeps the last (keepEnd) or first `count` bytes of `path`: the kept bytes
// go to the work file ("temp_out.txt"), which then replaces the file. A
// count at or above the file's size copies the whole file there and leaves
// the file as it is; one below zero leaves both the file and an empty work
// file. `function` names the public operation in log entries.
long Truncate(const char* function, bool keepEnd, long count, const wchar_t* path,
              const char* workFile = kTempOut) {
  if (path == nullptr) {
    CAppLog::LogDebugMessage(function, __FILE__, __LINE__, 'E', "pszFilename is NULL");
    return VELTENGINE_ERROR_BAD_PARAMETER;
  }
  std::string name = velt::Narrow(path);
  velt::platform::File in;
  if (in.Open(name, false) != 0) {
    CAppLog::LogDebugMessage(function, __FILE__, __LINE__, 'E', "Failed to open \"%s\"",
                             name.c_str());
    return VELTENGINE_ERROR_FILE_OPEN_FAILURE;
  }
  // The work file is made anew, never opened through a link or over a file
  // someone else put there: the working directory may be open to others.
  velt::platform::File out;
  int gone = velt::platform::DeleteFileEntry(workFile);
  const velt::platform::ErrorKind goneKind = velt::platform::ErrorKindOf(gone);
  if ((goneKind != velt::platform::ErrorKind::kNone &&
       goneKind != velt::platform::ErrorKind::kNotFound) ||
      out.Create(workFile, velt::platform::NewFileMode::kUsual) != 0) {
    CAppLog::LogDebugMessage(function, __FILE__, __LINE__, 'E', "Failed to open \"%s\"", workFile);
    return VELTENGINE_ERROR_FILE_OPEN_FAILURE;
  }
  velt::platform::FileDetails details;
  int error = in.Details(details);
  if (error != 0 || count < 0) {
    return 0;
  }
  const uint64_t size = details.size;
  // A count at or above the size keeps every byte: the work file gets the
  // whole file, and the file itself stays as it is.
  const bool whole = static_cast<uint64_t>(count) >= size;
  const uint64_t keep = whole ? size : static_cast<uint64_t>(count);
  error = out.CopyFrom(in, keepEnd ? size - keep : 0, keep);
  int closeError = out.Close();
  in.Close();
  if (error == 0) {
    error = closeError;
  }
  if (error != 0) {
    // A short work file must not replace the file.
    CAppLog::LogReturnCode(function, __FILE__, __LINE__, 'E', "write",
                           static_cast<unsigned long>(error), nullptr, "%s", workFile);
    return 0;
  }
  if (whole) {
    return 0;
  }
  long rc = helperUtil::fileCopy(velt::Widen(workFile), path);
  if (rc != 0) {
    CAppLog::LogReturnCode(function, __FILE__, __LINE__, 'W', "helperUtil::fileCopy",
                           static_cast<unsigned long>(rc));
  }
  return 0;
}

// Truncate through a work file of the caller's, removed afterwards.
long TruncateThrough(const char* function, bool keepEnd, long count, const std::wstring& path,
                     const std::wstring& workFile) {
  const std::string work = velt::Narrow(workFile);
  const long rc = Truncate(function, keepEnd, count, path.c_str(), work.c_str());
  velt::platform::DeleteFileEntry(work);
  return rc;
}

}  // namespace

long helperUtil::fileTruncateFront(long count, const std::wstring& path,
                                   const std::wstring& workFile) {
  return TruncateThrough("helperUtil::fileTruncateFront", true, count, path, workFile);
}

long helperUtil::fileTruncateEnd(long count, const std::wstring& path,
                                 const std::wstring& workFile) {
  return TruncateThrough("helperUtil::fileTruncateEnd", false, count, path, workFile);
}

long helperUtil::fileTruncateFront(long count, const wchar_t* path) {
  return Truncate("helperUtil::fileTruncateFront", true, count, path);
}

long helperUtil::fileTruncateFront(long count, const std::wstring& path) {
  return fileTruncateFront(count, path.c_str());
}

long helperUtil::fileTruncateEnd(long count, const wchar_t* path) {
  return Truncate("helperUtil::fileTruncateEnd", false, count, path);
}

long helperUtil::fileTruncateEnd(long count, const std::wstring& path) {
  return fileTruncateEnd(count, path.c_str());
}

double helperUtil::getFileSize(const wchar_t* path) {
  if (path == nullptr) {
    return -1.0;
  }
  velt::platform::FileDetails status;
  std::string name = velt::Narrow(path);
  if (velt::platform::GetFileDetails(name, true, status) != 0) {
    return -1.0;
  }
  uint64_t total = status.size;
  if (status.isDirectory && velt::platform::TotalRegularFileSize(name, total) != 0) {
    return -1.0;
  }
  return static_cast<double>(total);
}

double helperUtil::getFileSize(const std::wstring& path) {
  return getFileSize(translatePath(path).c_str());
}
