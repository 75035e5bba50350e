#include "velt/zip/CZip.h"

#include <algorithm>
#include <cstdint>

#include "platform/Directory.h"
#include "platform/InputFile.h"
#include "platform/LocalTime.h"
#include "velt/platform/TextEncoding.h"
#include "velt/runtime/CAppLog.h"
#include "velt/runtime/ResultCodes.h"
#include "zip/EntryWriter.h"
#include "zip/FileCrc.h"
#include "zip/ZipArchive.h"

namespace {

// Sizes from this one on do not fit the classic 32-bit fields.
constexpr uint64_t kLargeFileSize = 0xFFFFFFFFull;

// The regular-file mode recorded for a file whose own cannot be read.
constexpr uint32_t kDefaultFileMode = 0100644;

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

}  // namespace

long CZip::Zip(std::wstring sourceFolder, std::wstring destinationZip, std::wstring password,
               bool includeSubFolders) {
  if (sourceFolder.empty() || destinationZip.empty()) {
    VELT_LOG_MESSAGE('E', "Bad parameter(s), parameter(s) is equal to NULL.");
    return GLOBAL_ERROR_BAD_PARAMETER;
  }
  std::vector<std::wstring> files;
  long result = getDirContents(files, sourceFolder, includeSubFolders);
  if (result != 0) {
    VELT_LOG_CODE('E', "CZip::getDirContents", result);
    return result;
  }
  // Every listed path starts with the folder and one separator.
  size_t prefix = sourceFolder.size() + (sourceFolder.back() == L'/' ? 0 : 1);
  std::vector<std::wstring> names;
  names.reserve(files.size());
  for (const std::wstring& file : files) {
    names.push_back(file.substr(prefix));
  }
  result = createZipFile(files, destinationZip, names, password);
  if (result != 0) {
    VELT_LOG_CODE('E', "CZip::createZipFile", result);
    return result;
  }
  return 0;
}

long CZip::getDirContents(std::vector<std::wstring>& files, std::wstring path, bool recursive) {
  if (!path.empty() && path.back() != L'/') {
    path += L'/';
  }
  std::string narrowPath = velt::Narrow(path);
  velt::platform::FileDetails details;
  if (velt::platform::GetFileDetails(narrowPath, details) != 0) {
    VELT_LOG_MESSAGE('E', "Failed to get file attributes for %s", narrowPath.c_str());
    return GLOBAL_ERROR_BAD_PARAMETER;
  }
  std::vector<velt::platform::DirEntry> entries;
  int listError = velt::platform::ListDirectory(narrowPath, entries);
  if (listError != 0) {
    VELT_LOG_CODE('E', "ListDirectory", listError, "Cannot list %s", narrowPath.c_str());
    return GLOBAL_ERROR_UNEXPECTED;
  }
  for (const velt::platform::DirEntry& entry : entries) {
    if (entry.name == "." || entry.name == "..") {
      continue;
    }
    std::wstring wideName = velt::Widen(entry.name);
    std::string full = narrowPath + entry.name;
    if (velt::Narrow(wideName) != entry.name) {
      // Wide text cannot carry this name back to the file system.
      VELT_LOG_MESSAGE('W', "Skipping %s: its name is not valid UTF-8", full.c_str());
      continue;
    }
    if (entry.isDirectory) {
      if (!recursive) {
        continue;
      }
      long result = getDirContents(files, path + wideName, recursive);
      if (result != 0) {
        VELT_LOG_CODE('E', "CZip::getDirContents", result);
        return result;
      }
      continue;
    }
    if (velt::platform::GetFileDetails(full, details) != 0) {
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
    files.push_back(path + wideName);
  }
  return 0;
}

long CZip::createZipFile(const std::vector<std::wstring>& files, std::wstring zipPath,
                         const std::vector<std::wstring>& names, std::wstring password) {
  if (files.size() != names.size()) {
    VELT_LOG_MESSAGE('E', "Bad parameter(s), %zu files but %zu entry names.", files.size(),
                     names.size());
    return GLOBAL_ERROR_BAD_PARAMETER;
  }
  std::string narrowZipPath = velt::Narrow(zipPath);
  velt::zip::ZipArchive archive;
  if (narrowZipPath.empty() || !archive.Create(narrowZipPath)) {
    VELT_LOG_CODE('E', "zipOpen64", GLOBAL_ERROR_BAD_PARAMETER, "Cannot create %s",
                  narrowZipPath.c_str());
    return GLOBAL_ERROR_BAD_PARAMETER;
  }
  velt::platform::FileDetails archiveDetails;
  bool archiveKnown = velt::platform::GetFileDetails(narrowZipPath, archiveDetails) == 0;

  velt::zip::EntryWriter writer(archive, velt::Narrow(password));
  for (size_t i = 0; i < files.size(); ++i) {
    std::string path = velt::Narrow(files[i]);
    velt::zip::EntryHeader header;
    header.name = velt::Narrow(names[i]);

    velt::platform::InputFile input;
    velt::platform::FileDetails details;
    int openError = input.Open(path);
    if (openError == 0) {
      openError = input.Details(details);
    }
    if (openError != 0) {
      VELT_LOG_CODE('E', "open", openError, "Could not open %s", path.c_str());
      input.Close();
      details = velt::platform::FileDetails();
      if (velt::platform::GetFileDetails(path, details) != 0) {
        details.mode = kDefaultFileMode;
      }
    } else if (archiveKnown && velt::platform::IsSameFile(details, archiveDetails)) {
      VELT_LOG_MESSAGE('W', "Skipping %s: it is the archive being written", path.c_str());
      continue;
    }

    // One size, taken here, decides zip64 and bounds both passes over the file.
    uint64_t size = input.IsOpen() ? details.size : 0;
    bool timeKnown = input.IsOpen() ? ToDosDateTime(details.lastWriteSeconds, header.dosDateTime)
                                    : getFileTime(files[i], header.dosDateTime);
    if (!timeKnown) {
      VELT_LOG_MESSAGE('W', "Failed to get file time attributes.");
      header.dosDateTime = 0;
    }
    header.mode = details.mode;
    header.zip64 = size >= kLargeFileSize;
    header.encrypted = !password.empty();

    velt::zip::EntryOutcome outcome =
        writer.Add(header, input.IsOpen() ? &input : nullptr, size);
    if (outcome.changed) {
      VELT_LOG_MESSAGE('W',
                       "%s changed while it was being zipped; its entry holds the bytes "
                       "read last and may not open with the password.",
                       path.c_str());
    }
    if (outcome.result < 0) {
      archive.Close();
      VELT_LOG_CODE('E', outcome.failedCall, outcome.result, "Writing %s failed", path.c_str());
      return outcome.result;
    }
  }
  int closed = archive.Close();
  if (closed != ZIP_OK) {
    VELT_LOG_CODE('E', "zipClose", closed, "Finishing %s failed", narrowZipPath.c_str());
    return closed;
  }
  return 0;
}

bool CZip::getFileTime(const std::wstring& path, std::uint32_t& dosDateTime) {
  velt::platform::FileDetails details;
  if (velt::platform::GetFileDetails(velt::Narrow(path), details) != 0) {
    return false;
  }
  return ToDosDateTime(details.lastWriteSeconds, dosDateTime);
}

bool CZip::isLargeFile(const std::wstring& path) {
  std::string narrowPath = velt::Narrow(path);
  velt::platform::InputFile input;
  velt::platform::FileDetails details;
  if (input.Open(narrowPath) != 0 || input.Details(details) != 0) {
    VELT_LOG_MESSAGE('E', "Could not open %s", narrowPath.c_str());
    return false;
  }
  return details.size >= kLargeFileSize;
}

unsigned long CZip::getCrc(const std::wstring& path) {
  std::string narrowPath = velt::Narrow(path);
  velt::platform::InputFile input;
  if (input.Open(narrowPath) != 0) {
    VELT_LOG_MESSAGE('E', "Could not open %s", narrowPath.c_str());
    return 0;
  }
  uint32_t crc = 0;
  velt::zip::CrcOfFile(input, UINT64_MAX, crc);
  return crc;
}
