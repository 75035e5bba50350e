// Writes files as entries of an archive, in the order they are added, while
// a pool of threads compresses them: small files (one block each) are
// compressed side by side, large files block by block (see
// BlockCompressor.h), and the compressed blocks are encrypted and written
// strictly in order on the caller's thread. Block boundaries sit at fixed
// offsets of each file, so the archive's bytes do not depend on the number
// of threads or on their timing.
//
// Memory: every thread has one compressor (about 270 KiB) and two block
// slots of kBlockSize input, the 32 KiB window and the compressed output
// (about 2.1 MiB each); with one thread, one slot. Nothing grows with the
// size or the number of the files.
//
// The caller's stop request is honoured between blocks and between entries:
// Add and Finish then return with `stopped` set, and the archive is left
// for the caller to abandon.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/File.h"
#include "zip/DeflatePool.h"
#include "zip/TraditionalCipher.h"
#include "zip/ZipArchive.h"

namespace velt {
namespace zip {

// Bytes of a file per deflate block.
constexpr size_t kBlockSize = 1024 * 1024;

struct WriteOutcome {
  int result = ZIP_OK;               // negative: the archive cannot go on
  const char* failedCall = nullptr;  // the call that gave `result`
  std::string path;                  // the file whose entry failed
  bool stopped = false;              // a stop request ended the work
  bool Failed() const { return result != ZIP_OK || stopped; }
};

class ArchiveWriter {
 public:
  // An empty password writes every entry unencrypted.
  ArchiveWriter(ZipArchive& archive, const std::string& password, unsigned threads);

  // Queues `size` bytes of `file` (from its start; null: an empty entry)
  // as the entry `header`; `path` names the file in messages.
  // `header.encrypted` asks for encryption; it is dropped when the file
  // turns out empty. May write earlier entries to make room.
  WriteOutcome Add(EntryHeader header, std::unique_ptr<platform::File> file, uint64_t size,
                   const std::string& path);
  // Writes every entry still queued.
  WriteOutcome Finish();

  // Encrypted files whose bytes changed between the checksum pass and the
  // data pass (their check byte no longer matches), since the last call.
  std::vector<std::string> TakeChangedFiles();

 private:
  struct Entry {
    EntryHeader header;
    std::string path;
    uint64_t size = 0;          // bytes planned
    uint64_t written = 0;       // bytes compressed so far
    uint32_t crc = 0;           // of the bytes compressed so far
    bool checked = false;       // a checksum pass gave `expectedCrc`
    uint32_t expectedCrc = 0;
    bool skipped = false;       // minizip refused the entry
  };
  struct Slot {
    DeflateBlock block;
    Entry* entry = nullptr;
    bool first = false;  // the entry's first block
  };

  bool ChecksumPass(Entry& entry, platform::File& file);
  WriteOutcome FreeSlot(Slot*& slot);
  WriteOutcome Retire();

  ZipArchive& m_archive;
  std::unique_ptr<TraditionalCipher> m_cipher;
  std::deque<Entry> m_entries;    // added, not yet closed in the archive
  std::vector<std::unique_ptr<Slot>> m_slots;
  std::vector<Slot*> m_free;
  std::deque<Slot*> m_inFlight;   // in archive order
  std::unique_ptr<unsigned char[]> m_window;  // the last bytes of the block before
  size_t m_windowSize = 0;
  std::vector<std::string> m_changed;
  DeflatePool m_pool;             // last: stopped before the slots go
};

}  // namespace zip
}  // namespace velt
