#include "zip/EntryWriter.h"

#include <zlib.h>

#include <algorithm>

#include "zip/FileCrc.h"

namespace velt {
namespace zip {

EntryWriter::EntryWriter(ZipArchive& archive, const std::string& password)
    : m_archive(archive) {
  if (!password.empty()) {
    m_cipher.reset(new TraditionalCipher(password));
  }
}

int EntryWriter::Put(unsigned char* data, unsigned size) {
  if (m_encrypting) {
    m_cipher->Encrypt(data, size);
  }
  return m_archive.Write(data, size);
}

EntryOutcome EntryWriter::Add(EntryHeader header, platform::InputFile* file, uint64_t size) {
  EntryOutcome outcome;
  if (file == nullptr) {
    size = 0;
  }
  header.encrypted = header.encrypted && m_cipher != nullptr && size > 0;

  uint32_t expectedCrc = 0;
  if (header.encrypted) {
    uint64_t covered = CrcOfFile(*file, size, expectedCrc);
    if (covered < size) {
      size = covered;  // the file shrank: the data pass reads no more than this
    }
    if (file->Rewind() != 0) {
      size = 0;
    }
    header.encrypted = size > 0;
  }

  if (m_archive.OpenEntry(header) != ZIP_OK) {
    outcome.skipped = true;
    return outcome;
  }
  m_encrypting = header.encrypted;

  int result = ZIP_OK;
  const char* failedCall = nullptr;
  if (m_encrypting) {
    unsigned char encryptionHeader[TraditionalCipher::kHeaderSize];
    m_cipher->BeginEntry(expectedCrc, encryptionHeader);
    result = m_archive.Write(encryptionHeader, sizeof(encryptionHeader));
    failedCall = "zipWriteInFileInZip";
  }
  if (result == ZIP_OK) {
    result = m_deflate.Begin();
    failedCall = "deflateReset";
  }

  uLong crc = crc32(0L, Z_NULL, 0);
  uint64_t written = 0;
  unsigned char buffer[kReadChunk];
  while (result == ZIP_OK && written < size) {
    size_t want = static_cast<size_t>(std::min<uint64_t>(kReadChunk, size - written));
    int error = 0;
    long count = file->Read(buffer, want, error);
    if (count <= 0) {
      break;  // a short read ends the file
    }
    crc = crc32(crc, buffer, static_cast<uInt>(count));
    written += static_cast<uint64_t>(count);
    result = m_deflate.Feed(buffer, static_cast<unsigned>(count), *this);
    failedCall = "zipWriteInFileInZip";
  }
  if (result == ZIP_OK) {
    result = m_deflate.Finish(*this);
    failedCall = "zipWriteInFileInZip";
  }
  m_encrypting = false;

  if (header.encrypted && (written != size || static_cast<uint32_t>(crc) != expectedCrc)) {
    outcome.changed = true;
  }
  int closed = m_archive.CloseEntry(written, static_cast<uint32_t>(crc));
  if (result != ZIP_OK) {
    outcome.result = result;
    outcome.failedCall = failedCall;
  } else if (closed < 0) {
    outcome.result = closed;
    outcome.failedCall = "zipCloseFileInZip";
  }
  return outcome;
}

}  // namespace zip
}  // namespace velt
