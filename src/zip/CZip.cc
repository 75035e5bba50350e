#include "velt/zip/CZip.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <thread>

#include "platform/Directory.h"
#include "platform/Environment.h"
#include "platform/File.h"
#include "platform/FileSystem.h"
#include "platform/LocalTime.h"
#include "platform/SystemError.h"
#include "velt/platform/PathSeparator.h"
#include "velt/platform/TextEncoding.h"
#include "velt/runtime/CAppLog.h"
#include "velt/runtime/ResultCodes.h"
#include "zip/ArchiveWriter.h"
#include "zip/EntryName.h"
#include "zip/FileCrc.h"
#include "zip/ZipArchive.h"

namespace {

// Sizes from this one on do not fit the classic 32-bit fields.
constexpr uint64_t kLargeFileSize = 0xFFFFFFFFull;

// The regular-file mode recorded for a file whose own cannot be read.
constexpr uint32_t kDefaultFileMode = 0100644;

// The environment variable that sets the number of compressing threads,
// and the most it may ask for.
constexpr char kThreadsVariable[] = "VELT_ZIP_THREADS";
constexpr unsigned kMaxThreads = 64;

// MS-DOS date (high half) and time (low half, two-second steps) of a local
// time, limited to the years the format holds.
bool ToDosDateTime(int64_t secondsSinceEpoch, uint32_t& dosDateTime) {
  velt::platform::LocalDateTime local;
  if (velt::platform::ToLocalDateTime(secondsSinceEpoch, local) != 0) {
    return false;
  }
  if (local.year < 1980) {
    local = velt::platform::LocalDateTime{1980, 1, 1, 0, 0, 0};
  } else if (local.year > 2107) {
    local = velt::platform::LocalDateTime{2107, 12, 31, 23, 59, 58};
  }
  uint32_t date = static_cast<uint32_t>(((local.year - 1980) << 9) | (local.month << 5) | local.day);
  uint32_t time = static_cast<uint32_t>((local.hour << 11) | (local.minute << 5) |
                                        (std::min(local.second, 59) / 2));
  dosDateTime = (date << 16) | time;
  return true;
}

unsigned OnlineProcessors() {
  unsigned count = std::thread::hardware_concurrency();
  return std::max(1u, std::min(count, kMaxThreads));
}

// A whole number from 1 to kMaxThreads, digits only.
bool ParseThreads(const std::string& text, unsigned& threads) {
  if (text.empty() || text.size() > 3 ||
      !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return false;
  }
  unsigned long value = std::stoul(text);
  threads = static_cast<unsigned>(value);
  return value >= 1 && value <= kMaxThreads;
}

std::string ErrorText(int error) {
  std::string text = velt::platform::SystemErrorText(static_cast<unsigned long>(error));
  return text.empty() ? "error " + std::to_string(error) : text;
}

}  // namespace

long CZip::Zip(std::wstring sourceFolder, std::wstring destinationZip, std::wstring password,
               bool includeSubFolders) {
  std::wstring reason;
  return Zip(std::move(sourceFolder), std::move(destinationZip), std::move(password),
             includeSubFolders, true, reason);
}

long CZip::Zip(std::wstring sourceFolder, std::wstring destinationZip, std::wstring password,
               bool includeSubFolders, bool replace, std::wstring& reason) {
  reason.clear();
  if (sourceFolder.empty() || destinationZip.empty()) {
    VELT_LOG_MESSAGE('E', "Bad parameter(s), parameter(s) is equal to NULL.");
    reason = L"no folder or no archive path given";
    return GLOBAL_ERROR_BAD_PARAMETER;
  }
  std::string folder = velt::Narrow(sourceFolder);
  std::vector<std::string> files;
  long result = getDirContents(files, folder, includeSubFolders);
  if (result != 0) {
    VELT_LOG_CODE('E', "CZip::getDirContents", result);
    reason = L"cannot read the folder " + sourceFolder;
    return result;
  }
  // Every listed path starts with the folder and one separator; entry names
  // separate their parts with "/", whatever the platform's separator is.
  size_t prefix = folder.size() + (folder.back() == velt::kNarrowPathSeparator ? 0 : 1);
  std::vector<std::string> names;
  names.reserve(files.size());
  for (const std::string& file : files) {
    names.push_back(file.substr(prefix));
    std::replace(names.back().begin(), names.back().end(), velt::kNarrowPathSeparator, '/');
  }
  std::string why;
  result = createZipFile(files, velt::Narrow(destinationZip), names, velt::Narrow(password),
                         replace, why);
  if (result != 0) {
    VELT_LOG_CODE(result == VELTENGINE_ERROR_ACTION_CANCELED_BY_USER ? 'I' : 'E',
                  "CZip::createZipFile", result);
    reason = velt::Widen(why);
    return result;
  }
  return 0;
}

long CZip::getDirContents(std::vector<std::wstring>& files, std::wstring path, bool recursive) {
  std::vector<std::string> found;
  long result = getDirContents(found, velt::Narrow(path), recursive);
  for (const std::string& file : found) {
    files.push_back(velt::Widen(file));
  }
  return result;
}

long CZip::getDirContents(std::vector<std::string>& files, const std::string& folder,
                          bool recursive) {
  std::string path = folder;
  if (!path.empty() && path.back() != velt::kNarrowPathSeparator) {
    path += velt::kNarrowPathSeparator;
  }
  velt::platform::FileDetails details;
  if (velt::platform::GetFileDetails(path, true, details) != 0) {
    VELT_LOG_MESSAGE('E', "Failed to get file attributes for %s", path.c_str());
    return GLOBAL_ERROR_BAD_PARAMETER;
  }
  std::vector<velt::platform::DirEntry> entries;
  int listError = velt::platform::ListDirectory(path, entries);
  if (listError != 0) {
    VELT_LOG_CODE('E', "ListDirectory", listError, "Cannot list %s", path.c_str());
    return GLOBAL_ERROR_UNEXPECTED;
  }
  for (const velt::platform::DirEntry& entry : entries) {
    if (entry.name == "." || entry.name == "..") {
      continue;
    }
    std::string full = path + entry.name;
    if (entry.isDirectory) {
      if (!recursive) {
        continue;
      }
      long result = getDirContents(files, full, recursive);
      if (result != 0) {
        VELT_LOG_CODE('E', "CZip::getDirContents", result);
        return result;
      }
      continue;
    }
    if (velt::platform::GetFileDetails(full, true, details) != 0) {
      if (entry.isSymlink) {
        VELT_LOG_MESSAGE('W', "Skipping %s: the link points at nothing", full.c_str());
        continue;
      }
      VELT_LOG_MESSAGE('E', "Failed to get file attributes for %s", full.c_str());
      return GLOBAL_ERROR_BAD_PARAMETER;
    }
    if (details.isDirectory) {
      // A link to a folder is not followed: it could lead back up the tree.
      VELT_LOG_MESSAGE('I', "Skipping %s: a link to a folder", full.c_str());
      continue;
    }
    if (!details.isRegular) {
      VELT_LOG_MESSAGE('W', "Skipping %s: not a regular file", full.c_str());
      continue;
    }
    files.push_back(full);
  }
  return 0;
}

long CZip::createZipFile(const std::vector<std::wstring>& files, std::wstring zipPath,
                         const std::vector<std::wstring>& names, std::wstring password) {
  std::vector<std::string> narrowFiles;
  std::vector<std::string> narrowNames;
  for (const std::wstring& file : files) {
    narrowFiles.push_back(velt::Narrow(file));
  }
  for (const std::wstring& name : names) {
    narrowNames.push_back(velt::Narrow(name));
  }
  std::string reason;
  return createZipFile(narrowFiles, velt::Narrow(zipPath), narrowNames, velt::Narrow(password),
                       true, reason);
}

long CZip::createZipFile(const std::vector<std::string>& files, const std::string& zipPath,
                         const std::vector<std::string>& names, const std::string& password,
                         bool replace, std::string& reason) {
  if (files.size() != names.size()) {
    VELT_LOG_MESSAGE('E', "Bad parameter(s), %zu files but %zu entry names.", files.size(),
                     names.size());
    reason = "the files and their entry names do not match";
    return GLOBAL_ERROR_BAD_PARAMETER;
  }
  unsigned threads = OnlineProcessors();
  std::string setting;
  if (velt::platform::GetEnvironmentValue(kThreadsVariable, setting) &&
      !ParseThreads(setting, threads)) {
    threads = OnlineProcessors();
    VELT_LOG_MESSAGE('W', "%s=\"%s\" is not a number from 1 to %u; using %u threads.",
                     kThreadsVariable, setting.c_str(), kMaxThreads, threads);
  }

  velt::zip::ZipArchive archive;
  int createError = zipPath.empty()
                        ? velt::platform::ErrorNumber(velt::platform::ErrorKind::kNotFound)
                        : archive.Create(zipPath);
  if (createError != 0) {
    reason = "Cannot create " + zipPath + ": " + ErrorText(createError);
    VELT_LOG_CODE('E', "zipOpen64", GLOBAL_ERROR_BAD_PARAMETER, "%s", reason.c_str());
    return GLOBAL_ERROR_BAD_PARAMETER;
  }

  velt::zip::ArchiveWriter writer(archive, password, threads);
  velt::zip::EntryNames entryNames;
  velt::zip::WriteOutcome outcome;
  for (size_t i = 0; i < files.size() && !outcome.Failed(); ++i) {
    const std::string& path = files[i];
    velt::zip::EntryHeader header;
    header.name = entryNames.Unique(velt::zip::SafeEntryName(names[i]));

    std::unique_ptr<velt::platform::File> input(new velt::platform::File);
    velt::platform::FileDetails details;
    bool detailsKnown = true;
    int openError = input->Open(path);
    if (openError == 0) {
      openError = input->Details(details);
    }
    if (openError != 0) {
      VELT_LOG_MESSAGE('E', "Could not open %s: %s", path.c_str(), ErrorText(openError).c_str());
      input.reset();
      details = velt::platform::FileDetails();
      detailsKnown = velt::platform::GetFileDetails(path, true, details) == 0;
      if (!detailsKnown) {
        details.mode = kDefaultFileMode;
      }
    } else if (archive.IsArchive(details)) {
      VELT_LOG_MESSAGE('W', "Skipping %s: it is the archive being written", path.c_str());
      continue;
    }

    // One size, taken here, decides zip64 and bounds every pass over the file.
    uint64_t size = input != nullptr ? details.size : 0;
    if (!detailsKnown || !ToDosDateTime(details.lastWrite.seconds, header.dosDateTime)) {
      VELT_LOG_MESSAGE('W', "Failed to get file time attributes.");
      header.dosDateTime = 0;
    }
    header.mode = details.mode;
    header.zip64 = size >= kLargeFileSize;
    header.encrypted = !password.empty();
    outcome = writer.Add(header, std::move(input), size, path);
  }
  if (!outcome.Failed()) {
    outcome = writer.Finish();
  }
  for (const std::string& path : writer.TakeChangedFiles()) {
    VELT_LOG_MESSAGE('W',
                     "%s changed while it was being zipped; its entry holds the bytes "
                     "read last and may not open with the password.",
                     path.c_str());
  }
  if (!outcome.Failed()) {
    outcome.path = zipPath;
    outcome.failedCall = "zipClose";
    outcome.result = archive.Close(replace);
    if (outcome.result == ZIP_OK) {
      return 0;
    }
    if (velt::platform::ErrorKindOf(archive.systemError()) == velt::platform::ErrorKind::kExists) {
      // Found there after the archive was written, and not to be replaced.
      reason = "Cannot create " + zipPath + ": " + ErrorText(archive.systemError());
      VELT_LOG_CODE('E', "rename", GLOBAL_ERROR_BAD_PARAMETER, "%s", reason.c_str());
      return GLOBAL_ERROR_BAD_PARAMETER;
    }
  }

  long result = outcome.result;
  if (outcome.stopped) {
    VELT_LOG_MESSAGE('I', "Zipping into %s stopped on request; the archive is removed.",
                     zipPath.c_str());
    reason = "zipping into " + zipPath + " was stopped";
    result = VELTENGINE_ERROR_ACTION_CANCELED_BY_USER;
  } else {
    reason = "Writing " + (outcome.path == zipPath ? zipPath : outcome.path + " into " + zipPath) +
             " failed: " +
             (outcome.result == ZIP_ERRNO && archive.systemError() != 0
                  ? ErrorText(archive.systemError())
                  : "minizip error " + std::to_string(outcome.result));
    VELT_LOG_CODE('E', outcome.failedCall, outcome.result, "%s", reason.c_str());
  }
  int removeError = archive.Abandon();
  if (removeError != 0) {
    VELT_LOG_MESSAGE('W', "Could not remove the unfinished archive %s: %s", zipPath.c_str(),
                     ErrorText(removeError).c_str());
  }
  return result;
}

bool CZip::getFileTime(const std::wstring& path, std::uint32_t& dosDateTime) {
  velt::platform::FileDetails details;
  if (velt::platform::GetFileDetails(velt::Narrow(path), true, details) != 0) {
    return false;
  }
  return ToDosDateTime(details.lastWrite.seconds, dosDateTime);
}

bool CZip::isLargeFile(const std::wstring& path) {
  std::string narrowPath = velt::Narrow(path);
  velt::platform::File input;
  velt::platform::FileDetails details;
  if (input.Open(narrowPath) != 0 || input.Details(details) != 0) {
    VELT_LOG_MESSAGE('E', "Could not open %s", narrowPath.c_str());
    return false;
  }
  return details.size >= kLargeFileSize;
}

unsigned long CZip::getCrc(const std::wstring& path) {
  std::string narrowPath = velt::Narrow(path);
  velt::platform::File input;
  if (input.Open(narrowPath) != 0) {
    VELT_LOG_MESSAGE('E', "Could not open %s", narrowPath.c_str());
    return 0;
  }
  uint32_t crc = 0;
  velt::zip::CrcOfFile(input, UINT64_MAX, crc);
  return crc;
}
