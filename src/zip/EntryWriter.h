// Writes one file as one entry of an archive: an optional checksum pass
// (the encryption header needs the CRC-32 before the data), then the data
// pass that compresses, encrypts and hands the bytes to minizip. Both
// passes cover the same number of bytes, taken once from the file's size,
// so a log that grows meanwhile still gives a consistent entry. The
// compressor and the cipher's password keys live as long as the writer.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/InputFile.h"
#include "zip/DeflateStage.h"
#include "zip/TraditionalCipher.h"
#include "zip/ZipArchive.h"

namespace velt {
namespace zip {

struct EntryOutcome {
  int result = ZIP_OK;               // negative: the archive cannot go on
  const char* failedCall = nullptr;  // the call that gave `result`
  bool skipped = false;              // minizip refused to open the entry
  bool changed = false;              // the bytes differed between the two passes
};

class EntryWriter : private DeflateSink {
 public:
  // An empty password writes every entry unencrypted.
  EntryWriter(ZipArchive& archive, const std::string& password);

  // Writes `size` bytes of `file` (from its start) as the entry `header`;
  // without a file the entry is empty. `header.encrypted` asks for
  // encryption; it is dropped when the file turns out empty.
  EntryOutcome Add(EntryHeader header, platform::InputFile* file, uint64_t size);

 private:
  int Put(unsigned char* data, unsigned size) override;

  ZipArchive& m_archive;
  DeflateStage m_deflate;
  std::unique_ptr<TraditionalCipher> m_cipher;
  bool m_encrypting = false;
};

}  // namespace zip
}  // namespace velt
