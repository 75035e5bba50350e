// Packs a folder into one zip archive: every regular file becomes a
// deflated entry named by its path relative to the folder, optionally
// protected with the traditional zip password encryption. No state is kept
// between calls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "velt/VeltExport.h"

class VELT_API CZip {
 public:
  // Zips every file under `sourceFolder` (its sub-folders too when
  // `includeSubFolders`) into `destinationZip`, replacing a file there.
  // An empty `password` writes unencrypted entries. Returns 0,
  // GLOBAL_ERROR_BAD_PARAMETER, GLOBAL_ERROR_UNEXPECTED or a negative
  // minizip error.
  static long Zip(std::wstring sourceFolder, std::wstring destinationZip, std::wstring password,
                  bool includeSubFolders);

  // Appends the full path of every regular file under `path` to `files`,
  // names in byte order, sub-folders walked depth first where they sort
  // when `recursive`.
  static long getDirContents(std::vector<std::wstring>& files, std::wstring path, bool recursive);

  // Writes files[i] as the entry names[i], in list order.
  static long createZipFile(const std::vector<std::wstring>& files, std::wstring zipPath,
                            const std::vector<std::wstring>& names, std::wstring password);

  // The file's last-write time in local time as an MS-DOS date (high half)
  // and time (low half).
  static bool getFileTime(const std::wstring& path, std::uint32_t& dosDateTime);

  // True for a file of 4294967295 bytes or more; such entries need zip64.
  static bool isLargeFile(const std::wstring& path);

  // CRC-32 of the file's contents; 0 when it cannot be read.
  static unsigned long getCrc(const std::wstring& path);
};
