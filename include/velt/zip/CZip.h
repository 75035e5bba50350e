// Packs a folder into one zip archive: every regular file becomes a
// deflated entry named by its path relative to the folder, optionally
// protected with the traditional zip password encryption. No state is kept
// between calls.
//
// Files are compressed on several threads: as many as the machine has
// online processors, or the number in the environment variable
// VELT_ZIP_THREADS (1: everything on the calling thread). The archive's
// bytes do not depend on that number.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "velt/VeltExport.h"

class VELT_API CZip {
 public:
  // Zips every file under `sourceFolder` (its sub-folders too when
  // `includeSubFolders`) into `destinationZip`. The archive is written
  // beside it under a name nobody can guess, created exclusively with
  // permission bits 0600 and locked while it is written, and renamed to
  // `destinationZip` when complete: an existing file there is replaced (a
  // link itself, never what it points at). An empty `password` writes
  // unencrypted entries. A stop request (VeltThread::StopRequested) ends
  // the work between two blocks of data. On any failure and on a stop the
  // file created is removed and `destinationZip` is as it was. Returns 0,
  // GLOBAL_ERROR_BAD_PARAMETER (also: the archive cannot be created),
  // GLOBAL_ERROR_UNEXPECTED, VELTENGINE_ERROR_ACTION_CANCELED_BY_USER
  // (stopped) or a negative minizip error.
  static long Zip(std::wstring sourceFolder, std::wstring destinationZip, std::wstring password,
                  bool includeSubFolders);
  // The same, replacing an existing file at `destinationZip` only when
  // `replace` (otherwise the archive is removed and the result is
  // GLOBAL_ERROR_BAD_PARAMETER), and telling why a failed call failed:
  // `reason` gets one line naming the path and the system's reason ("No
  // space left on device").
  static long Zip(std::wstring sourceFolder, std::wstring destinationZip, std::wstring password,
                  bool includeSubFolders, bool replace, std::wstring& reason);

  // Appends the full path of every regular file under `path` to `files`,
  // names in byte order, sub-folders walked depth first where they sort
  // when `recursive`.
  static long getDirContents(std::vector<std::wstring>& files, std::wstring path, bool recursive);

  // Writes files[i] as the entry names[i], in list order, into `zipPath` as
  // Zip does. Names are made safe first (see docs/zip.md).
  static long createZipFile(const std::vector<std::wstring>& files, std::wstring zipPath,
                            const std::vector<std::wstring>& names, std::wstring password);

  // The file's last-write time in local time as an MS-DOS date (high half)
  // and time (low half).
  static bool getFileTime(const std::wstring& path, std::uint32_t& dosDateTime);

  // True for a file of 4294967295 bytes or more; such entries need zip64.
  static bool isLargeFile(const std::wstring& path);

  // CRC-32 of the file's contents; 0 when it cannot be read.
  static unsigned long getCrc(const std::wstring& path);

 private:
  // The same on the file system's own names (bytes, UTF-8 where valid),
  // so that a file whose name is not valid UTF-8 is still read from its
  // real path.
  static long getDirContents(std::vector<std::string>& files, const std::string& path,
                             bool recursive);
  static long createZipFile(const std::vector<std::string>& files, const std::string& zipPath,
                            const std::vector<std::string>& names, const std::string& password,
                            bool replace, std::string& reason);
};
