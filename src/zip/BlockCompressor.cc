#include "zip/BlockCompressor.h"

#include <cstring>

namespace velt {
namespace zip {

namespace {

constexpr int kLevel = 9;
constexpr int kWindowBits = -15;  // raw deflate, 32 KiB window
constexpr int kMemoryLevel = 8;
// What a flush adds past deflateBound: the bits left over and the empty
// stored block (at most six bytes).
constexpr size_t kFlushMargin = 64;

}  // namespace

void DeflateBlock::Reserve(size_t wanted) {
  if (inputCapacity < kDeflateWindow + wanted) {
    inputCapacity = kDeflateWindow + wanted;
    // Not zero-filled: only what is read into it is ever touched.
    input.reset(new unsigned char[inputCapacity]);
  }
}

BlockCompressor::BlockCompressor() { std::memset(&m_stream, 0, sizeof(m_stream)); }

BlockCompressor::~BlockCompressor() {
  if (m_initialised) {
    deflateEnd(&m_stream);
  }
}

void BlockCompressor::Compress(DeflateBlock& block) {
  block.failed = true;
  block.compressed = 0;
  block.crc = static_cast<uint32_t>(crc32(crc32(0L, Z_NULL, 0), block.data(),
                                          static_cast<uInt>(block.size)));
  int result = m_initialised ? deflateReset(&m_stream)
                             : deflateInit2(&m_stream, kLevel, Z_DEFLATED, kWindowBits,
                                            kMemoryLevel, Z_DEFAULT_STRATEGY);
  m_initialised = m_initialised || result == Z_OK;
  if (result != Z_OK) {
    return;
  }
  if (block.window > 0 &&
      deflateSetDictionary(&m_stream, block.input.get(), static_cast<uInt>(block.window)) !=
          Z_OK) {
    return;
  }
  size_t bound = deflateBound(&m_stream, static_cast<uLong>(block.size)) + kFlushMargin;
  if (block.outputCapacity < bound) {
    block.outputCapacity = bound;
    block.output.reset(new unsigned char[bound]);
  }
  m_stream.next_in = block.data();
  m_stream.avail_in = static_cast<uInt>(block.size);
  m_stream.next_out = block.output.get();
  m_stream.avail_out = static_cast<uInt>(block.outputCapacity);
  // With room for the bound, one call takes the whole block.
  result = deflate(&m_stream, block.last ? Z_FINISH : Z_SYNC_FLUSH);
  bool complete = block.last ? result == Z_STREAM_END
                             : result == Z_OK && m_stream.avail_in == 0 && m_stream.avail_out > 0;
  if (complete) {
    block.compressed = block.outputCapacity - m_stream.avail_out;
    block.failed = false;
  }
}

}  // namespace zip
}  // namespace velt
