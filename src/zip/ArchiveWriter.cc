#include "zip/ArchiveWriter.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "velt/control/VeltThread.h"
#include "zip/FileCrc.h"

namespace velt {
namespace zip {

namespace {

// Reads up to `size` bytes; fewer only at the end of the file (a read error
// ends it too, as a short read).
size_t ReadBlock(platform::File& file, unsigned char* buffer, size_t size) {
  size_t total = 0;
  while (total < size) {
    int error = 0;
    long count = file.Read(buffer + total, size - total, error);
    if (count <= 0) {
      break;
    }
    total += static_cast<size_t>(count);
  }
  return total;
}

WriteOutcome Stopped() {
  WriteOutcome outcome;
  outcome.stopped = true;
  return outcome;
}

}  // namespace

ArchiveWriter::ArchiveWriter(ZipArchive& archive, const std::string& password, unsigned threads)
    : m_archive(archive), m_window(new unsigned char[kDeflateWindow]), m_pool(threads) {
  if (!password.empty()) {
    m_cipher.reset(new TraditionalCipher(password));
  }
  unsigned slots = threads > 1 ? 2 * threads : 1;
  for (unsigned i = 0; i < slots; ++i) {
    m_slots.emplace_back(new Slot);
    m_free.push_back(m_slots.back().get());
  }
}

std::vector<std::string> ArchiveWriter::TakeChangedFiles() {
  std::vector<std::string> changed;
  changed.swap(m_changed);
  return changed;
}

bool ArchiveWriter::ChecksumPass(Entry& entry, platform::File& file) {
  // In block-sized slices, so that a stop request is seen between them.
  uint64_t covered = 0;
  uint32_t crc = 0;
  while (covered < entry.size) {
    if (VeltThread::StopRequested()) {
      return false;
    }
    uint64_t want = std::min<uint64_t>(kBlockSize, entry.size - covered);
    uint32_t slice = 0;
    uint64_t got = CrcOfFile(file, want, slice);
    crc = static_cast<uint32_t>(crc32_combine(crc, slice, static_cast<z_off_t>(got)));
    covered += got;
    if (got < want) {
      break;  // the file shrank: the data pass reads no more than this
    }
  }
  entry.checked = true;
  entry.expectedCrc = crc;
  entry.size = file.Rewind() == 0 ? covered : 0;
  entry.header.encrypted = entry.size > 0;
  return true;
}

WriteOutcome ArchiveWriter::Add(EntryHeader header, std::unique_ptr<platform::File> file,
                                uint64_t size, const std::string& path) {
  if (VeltThread::StopRequested()) {
    return Stopped();
  }
  m_entries.emplace_back();
  Entry& entry = m_entries.back();
  entry.header = std::move(header);
  entry.path = path;
  entry.size = file != nullptr ? size : 0;
  entry.header.encrypted = entry.header.encrypted && m_cipher != nullptr && entry.size > 0;
  // The encryption header holds a check byte of the CRC-32, written before
  // the data: a file of several blocks is checksummed first. A file of one
  // block gets the CRC-32 of the very bytes compressed.
  if (entry.header.encrypted && entry.size > kBlockSize && !ChecksumPass(entry, *file)) {
    return Stopped();
  }

  m_windowSize = 0;
  uint64_t offset = 0;
  for (bool first = true;; first = false) {
    if (!first && VeltThread::StopRequested()) {
      return Stopped();
    }
    Slot* slot = nullptr;
    WriteOutcome outcome = FreeSlot(slot);
    if (outcome.Failed()) {
      return outcome;
    }
    slot->entry = &entry;
    slot->first = first;
    DeflateBlock& block = slot->block;
    size_t want = static_cast<size_t>(std::min<uint64_t>(kBlockSize, entry.size - offset));
    block.Reserve(want);
    block.window = m_windowSize;
    std::memcpy(block.input.get(), m_window.get(), m_windowSize);
    block.size = want > 0 ? ReadBlock(*file, block.data(), want) : 0;
    block.last = block.size < want || offset + block.size >= entry.size;
    if (first && block.last && !entry.checked) {
      entry.header.encrypted = entry.header.encrypted && block.size > 0;
    }
    // The next block's window: the last 32 KiB of what came before it.
    size_t total = block.window + block.size;
    m_windowSize = std::min(kDeflateWindow, total);
    std::memcpy(m_window.get(), block.input.get() + total - m_windowSize, m_windowSize);
    offset += block.size;
    m_pool.Submit(block);
    m_inFlight.push_back(slot);
    if (block.last) {
      return WriteOutcome();
    }
  }
}

WriteOutcome ArchiveWriter::Finish() {
  while (!m_inFlight.empty()) {
    WriteOutcome outcome = Retire();
    if (outcome.Failed()) {
      return outcome;
    }
  }
  return WriteOutcome();
}

WriteOutcome ArchiveWriter::FreeSlot(Slot*& slot) {
  while (m_free.empty()) {
    WriteOutcome outcome = Retire();
    if (outcome.Failed()) {
      return outcome;
    }
  }
  slot = m_free.back();
  m_free.pop_back();
  return WriteOutcome();
}

WriteOutcome ArchiveWriter::Retire() {
  Slot* slot = m_inFlight.front();
  m_inFlight.pop_front();
  m_pool.Wait(slot->block);
  m_free.push_back(slot);
  DeflateBlock& block = slot->block;
  Entry& entry = *slot->entry;
  WriteOutcome outcome;
  outcome.path = entry.path;

  if (slot->first) {
    entry.skipped = m_archive.OpenEntry(entry.header) != ZIP_OK;
    if (!entry.skipped && entry.header.encrypted) {
      unsigned char encryptionHeader[TraditionalCipher::kHeaderSize];
      m_cipher->BeginEntry(entry.checked ? entry.expectedCrc : block.crc, encryptionHeader);
      outcome.result = m_archive.Write(encryptionHeader, sizeof(encryptionHeader));
      outcome.failedCall = "zipWriteInFileInZip";
    }
  }
  if (outcome.result == ZIP_OK && block.failed) {
    outcome.result = ZIP_INTERNALERROR;
    outcome.failedCall = "deflate";
  }
  if (outcome.result == ZIP_OK && !entry.skipped) {
    if (entry.header.encrypted) {
      m_cipher->Encrypt(block.output.get(), block.compressed);
    }
    outcome.result = m_archive.Write(block.output.get(), static_cast<unsigned>(block.compressed));
    outcome.failedCall = "zipWriteInFileInZip";
  }
  entry.crc = static_cast<uint32_t>(
      crc32_combine(entry.crc, block.crc, static_cast<z_off_t>(block.size)));
  entry.written += block.size;
  if (outcome.result == ZIP_OK && block.last) {
    if (!entry.skipped) {
      if (entry.checked && (entry.written != entry.size || entry.crc != entry.expectedCrc)) {
        m_changed.push_back(entry.path);
      }
      outcome.result = m_archive.CloseEntry(entry.written, entry.crc);
      outcome.failedCall = "zipCloseFileInZip";
    }
    m_entries.pop_front();
  }
  return outcome;
}

}  // namespace zip
}  // namespace velt
