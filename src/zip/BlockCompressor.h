// Raw deflate (no zlib header) at level 9 of one block of a stream at a
// time. A file's stream is cut into blocks at fixed offsets; each block is
// compressed on its own, primed with the 32 KiB before it (so matches reach
// back across the cut as in one stream), and ends on a byte boundary with
// an empty stored block, except the last, which ends the stream. The
// compressed blocks laid end to end are one valid deflate stream, and its
// bytes depend only on the data, never on which thread made which block.
#pragma once

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace velt {
namespace zip {

// Bytes of earlier data a deflate match can reach back to.
constexpr size_t kDeflateWindow = 32768;

struct DeflateBlock {
  // The earlier bytes of the stream (`window` of them, at most
  // kDeflateWindow), then the block's own `size` bytes.
  std::unique_ptr<unsigned char[]> input;
  size_t inputCapacity = 0;
  size_t window = 0;
  size_t size = 0;
  bool last = false;  // the block ends the stream

  // Set by the compressor.
  std::unique_ptr<unsigned char[]> output;
  size_t outputCapacity = 0;
  size_t compressed = 0;  // bytes of `output` in use
  uint32_t crc = 0;       // CRC-32 of the block's own bytes
  bool failed = false;    // zlib refused; the output is unusable
  bool done = false;      // guarded by the pool that compresses it

  // Room for a window and `size` bytes of input.
  void Reserve(size_t size);
  unsigned char* data() { return input.get() + window; }
};

// One compressor per thread: zlib's state (about 270 KiB at level 9) is
// made once and reset between blocks.
class BlockCompressor {
 public:
  BlockCompressor();
  ~BlockCompressor();
  BlockCompressor(const BlockCompressor&) = delete;
  BlockCompressor& operator=(const BlockCompressor&) = delete;

  void Compress(DeflateBlock& block);

 private:
  z_stream m_stream;
  bool m_initialised = false;
};

}  // namespace zip
}  // namespace velt
