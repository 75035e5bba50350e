// One zip archive being written through minizip, closed on every path: the
// destructor closes an archive that is still open. Entries are written in
// minizip's raw mode; compression and encryption happen before the bytes
// get here.
#pragma once

#include <minizip/zip.h>

#include <cstdint>
#include <string>

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

  // Creates the archive, replacing a file at `path`. False on failure.
  bool Create(const std::string& path);
  // ZIP_OK or minizip's negative error.
  int OpenEntry(const EntryHeader& header);
  int Write(const unsigned char* data, unsigned size);
  // Closes the open entry with the plain data's size and CRC-32.
  int CloseEntry(uint64_t size, uint32_t crc);
  // Writes the central directory and closes the file.
  int Close();

 private:
  zipFile m_handle = nullptr;
};

}  // namespace zip
}  // namespace velt
