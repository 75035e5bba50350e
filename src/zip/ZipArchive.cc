#include "zip/ZipArchive.h"

#include <zlib.h>

#include <cstring>

namespace velt {
namespace zip {

namespace {

// General-purpose flag bits of an entry.
constexpr unsigned long kFlagEncrypted = 0x0001;
constexpr unsigned long kFlagUtf8Name = 0x0800;

// "Version made by": host system in the high byte (3 = Unix, so that
// readers take the permission bits from the external attributes), format
// version in the low byte.
constexpr unsigned long kMadeByUnix = 3u << 8;
constexpr unsigned long kVersionDeflate = 20;
constexpr unsigned long kVersionZip64 = 45;

// MS-DOS attribute bits kept in the low byte of the external attributes.
constexpr unsigned long kDosReadOnly = 0x01;

bool IsPlainAscii(const std::string& text) {
  for (unsigned char c : text) {
    if (c >= 0x80) {
      return false;
    }
  }
  return true;
}

}  // namespace

ZipArchive::~ZipArchive() { Close(); }

bool ZipArchive::Create(const std::string& path) {
  Close();
  zlib_filefunc64_def files;
  fill_fopen64_filefunc(&files);
  m_handle = zipOpen2_64(path.c_str(), APPEND_STATUS_CREATE, nullptr, &files);
  return m_handle != nullptr;
}

int ZipArchive::OpenEntry(const EntryHeader& header) {
  zip_fileinfo info;
  std::memset(&info, 0, sizeof(info));
  info.dosDate = header.dosDateTime;
  info.internal_fa = 0;
  // Unix permission bits in the high half, as Unix zip tools store them.
  info.external_fa = (static_cast<unsigned long>(header.mode & 0xffff) << 16) |
                     ((header.mode & 0200) == 0 ? kDosReadOnly : 0);
  unsigned long flags = 0;
  if (header.encrypted) {
    flags |= kFlagEncrypted;
  }
  if (!IsPlainAscii(header.name)) {
    flags |= kFlagUtf8Name;
  }
  unsigned long madeBy = kMadeByUnix | (header.zip64 ? kVersionZip64 : kVersionDeflate);
  // Raw mode: minizip writes headers and our bytes as they are; no password
  // goes to minizip, the encrypted flag is set through the flag bits.
  return zipOpenNewFileInZip4_64(m_handle, header.name.c_str(), &info, nullptr, 0, nullptr, 0,
                                 nullptr, Z_DEFLATED, 9, 1, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY,
                                 nullptr, 0, madeBy, flags, header.zip64 ? 1 : 0);
}

int ZipArchive::Write(const unsigned char* data, unsigned size) {
  return zipWriteInFileInZip(m_handle, data, size);
}

int ZipArchive::CloseEntry(uint64_t size, uint32_t crc) {
  return zipCloseFileInZipRaw64(m_handle, size, crc);
}

int ZipArchive::Close() {
  if (m_handle == nullptr) {
    return ZIP_OK;
  }
  int result = zipClose(m_handle, nullptr);
  m_handle = nullptr;
  return result;
}

}  // namespace zip
}  // namespace velt
