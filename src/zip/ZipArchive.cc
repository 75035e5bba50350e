#include "zip/ZipArchive.h"

#include <zlib.h>

#include <cstring>

#include "platform/SystemError.h"

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

// Counts and offsets from these on live in the zip64 records only.
constexpr uint64_t kMaxClassicCount = 0xFFFF;
constexpr uint64_t kMaxClassicOffset = 0xFFFFFFFF;

// Records of the zip format's end: signatures and sizes.
constexpr uint32_t kCentralHeaderSignature = 0x02014b50;
constexpr size_t kCentralHeaderSize = 46;
constexpr uint32_t kEndSignature = 0x06054b50;
constexpr size_t kEndSize = 22;
constexpr uint32_t kZip64EndSignature = 0x06064b50;
constexpr size_t kZip64EndSize = 56;
constexpr uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr size_t kZip64LocatorSize = 20;

bool IsPlainAscii(const std::string& text) {
  for (unsigned char c : text) {
    if (c >= 0x80) {
      return false;
    }
  }
  return true;
}

uint64_t Get(const unsigned char* at, int bytes) {
  uint64_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) {
    value = (value << 8) | at[i];
  }
  return value;
}

unsigned char* Put(unsigned char* at, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) {
    at[i] = static_cast<unsigned char>(value >> (8 * i));
  }
  return at + bytes;
}

}  // namespace

ZipArchive::~ZipArchive() {
  if (!m_finished) {
    Abandon();
  }
}

int ZipArchive::Create(const std::string& path) {
  int error = m_file.Create(path);
  if (error != 0) {
    return error;
  }
  zlib_filefunc64_def functions;
  m_file.FillFunctions(functions);
  m_handle = zipOpen2_64(path.c_str(), APPEND_STATUS_CREATE, nullptr, &functions);
  if (m_handle == nullptr) {
    Abandon();
    return platform::ErrorNumber(platform::ErrorKind::kIo);
  }
  return 0;
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
  int result = zipOpenNewFileInZip4_64(m_handle, header.name.c_str(), &info, nullptr, 0, nullptr,
                                       0, nullptr, Z_DEFLATED, 9, 1, -MAX_WBITS, 8,
                                       Z_DEFAULT_STRATEGY, nullptr, 0, madeBy, flags,
                                       header.zip64 ? 1 : 0);
  if (result == ZIP_OK) {
    ++m_entries;
    m_zip64Entries = m_zip64Entries || header.zip64;
  }
  return result;
}

int ZipArchive::Write(const unsigned char* data, unsigned size) {
  return zipWriteInFileInZip(m_handle, data, size);
}

int ZipArchive::CloseEntry(uint64_t size, uint32_t crc) {
  return zipCloseFileInZipRaw64(m_handle, size, crc);
}

int ZipArchive::Close(bool replace) {
  if (m_handle == nullptr) {
    return ZIP_OK;
  }
  // minizip begins the central directory where the last entry ended.
  uint64_t centralDirectory = m_file.Position();
  int result = zipClose(m_handle, nullptr);
  m_handle = nullptr;
  if (result == ZIP_OK) {
    result = CompleteEndRecords(centralDirectory);
  }
  if (result == ZIP_OK) {
    m_error = m_file.Commit(replace);
    result = m_error == 0 ? ZIP_OK : ZIP_ERRNO;
  }
  m_finished = result == ZIP_OK;
  return result;
}

int ZipArchive::CompleteEndRecords(uint64_t centralDirectory) {
  platform::File& file = m_file.file();
  uint64_t end = 0;
  unsigned char record[kCentralHeaderSize];
  if ((m_error = m_file.StoredSize(end)) != 0) {
    return ZIP_ERRNO;
  }
  // minizip marks every entry that needs zip64 fields as made by
  // "MS-DOS", and readers then ignore its Unix permission bits: give
  // those entries back their host.
  if (m_zip64Entries || centralDirectory >= kMaxClassicOffset) {
    uint64_t at = centralDirectory;
    for (uint64_t i = 0; i < m_entries; ++i) {
      if (m_file.ReadStored(record, kCentralHeaderSize, at) != 0 ||
          Get(record, 4) != kCentralHeaderSignature) {
        return ZIP_BADZIPFILE;
      }
      if (Get(record + 4, 2) == kVersionZip64) {
        Put(record + 4, kMadeByUnix | kVersionZip64, 2);
        if ((m_error = file.WriteAt(record + 4, 2, at + 4)) != 0) return ZIP_ERRNO;
      }
      at += kCentralHeaderSize + Get(record + 28, 2) + Get(record + 30, 2) + Get(record + 32, 2);
    }
  }
  // minizip writes the zip64 end records only for a central directory that
  // starts beyond 4 GiB; readers also need them for 65,535 entries or more,
  // whose count the classic end record cannot hold.
  if (m_entries < kMaxClassicCount || centralDirectory >= kMaxClassicOffset) {
    return ZIP_OK;
  }
  unsigned char tail[kZip64EndSize + kZip64LocatorSize + kEndSize];
  unsigned char* endRecord = tail + kZip64EndSize + kZip64LocatorSize;
  uint64_t zip64End = end - kEndSize;
  if (end < centralDirectory + kEndSize || m_file.ReadStored(endRecord, kEndSize, zip64End) != 0 || Get(endRecord, 4) != kEndSignature) {
    return ZIP_BADZIPFILE;
  }
  uint64_t directorySize = zip64End - centralDirectory;
  unsigned char* at = Put(tail, kZip64EndSignature, 4);
  at = Put(at, kZip64EndSize - 12, 8);  // the record's size after this field
  at = Put(at, kMadeByUnix | kVersionZip64, 2);
  at = Put(at, kVersionZip64, 2);       // version needed to extract
  at = Put(at, 0, 4);                   // this disk
  at = Put(at, 0, 4);                   // the disk where the directory starts
  at = Put(at, m_entries, 8);           // entries on this disk
  at = Put(at, m_entries, 8);           // entries in all
  at = Put(at, directorySize, 8);
  at = Put(at, centralDirectory, 8);
  at = Put(at, kZip64LocatorSignature, 4);
  at = Put(at, 0, 4);                   // the disk of the zip64 end record
  at = Put(at, zip64End, 8);
  Put(at, 1, 4);                        // disks in all
  Put(endRecord + 8, kMaxClassicCount, 2);   // "see the zip64 record"
  Put(endRecord + 10, kMaxClassicCount, 2);
  m_error = file.WriteAt(tail, sizeof(tail), zip64End);
  return m_error == 0 ? ZIP_OK : ZIP_ERRNO;
}

int ZipArchive::Abandon() {
  m_finished = true;  // nothing left to give up
  if (m_handle != nullptr) {
    // Nothing more reaches the disk; minizip only frees its memory.
    m_file.Discard();
    zipClose(m_handle, nullptr);
    m_handle = nullptr;
  }
  return m_file.Abandon();
}

}  // namespace zip
}  // namespace velt
