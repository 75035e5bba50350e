// One zip archive being written through minizip into a partial file beside
// its path, created exclusively for it and locked (see PartialFile), and
// given the path only when complete. Entries are written in minizip's raw
// mode: compression and encryption happen before the bytes get here. An
// archive that is not finished with Close is abandoned: its file is
// removed, also by the destructor, so a failed or stopped run leaves
// nothing behind.
#pragma once

#include <minizip/zip.h>

#include <cstdint>
#include <string>

#include "zip/ArchiveFile.h"

namespace velt {
namespace zip {

struct EntryHeader {
  std::string name;          // relative path with "/" separators, UTF-8
  uint32_t dosDateTime = 0;  // MS-DOS date (high half) and time (low half)
  uint32_t mode = 0;         // the file's type and permission bits
  bool encrypted = false;
  bool zip64 = false;
};

class ZipArchive {
 public:
  ZipArchive() = default;
  ~ZipArchive();
  ZipArchive(const ZipArchive&) = delete;
  ZipArchive& operator=(const ZipArchive&) = delete;

  // Creates the archive's partial file beside `path`. 0 or the system's
  // error number.
  int Create(const std::string& path);
  // ZIP_OK or minizip's negative error.
  int OpenEntry(const EntryHeader& header);
  int Write(const unsigned char* data, unsigned size);
  // Closes the open entry with the plain data's size and CRC-32.
  int CloseEntry(uint64_t size, uint32_t crc);
  // Writes the central directory and the end records, renames the file to
  // the archive's path and closes it. Whatever has that name is replaced
  // (a link itself, never what it points at) only with `replace`; an
  // existing name fails the close otherwise. ZIP_OK or a negative minizip
  // error (see systemError).
  int Close(bool replace);
  // Gives the archive up: the file created is closed and removed. 0 or the
  // error number of the removal (ESTALE: the partial name leads elsewhere
  // now).
  int Abandon();

  // The system's error number behind a ZIP_ERRNO; 0 when none is known.
  int systemError() const { return m_error != 0 ? m_error : m_file.error(); }
  // Whether `details` describe the archive's own file.
  bool IsArchive(const platform::FileDetails& details) const { return m_file.IsThisFile(details); }

 private:
  int CompleteEndRecords(uint64_t centralDirectory);

  ArchiveFile m_file;
  zipFile m_handle = nullptr;
  uint64_t m_entries = 0;
  bool m_zip64Entries = false;
  int m_error = 0;          // a system error met outside minizip's writes
  bool m_finished = false;  // closed complete, or given up
};

}  // namespace zip
}  // namespace velt
