#include "zip/DeflateStage.h"

#include <minizip/zip.h>

#include <cstring>

namespace velt {
namespace zip {

namespace {

constexpr unsigned kOutputSize = 65536;
constexpr int kLevel = 9;
constexpr int kWindowBits = -15;  // raw deflate, 32 KiB window
constexpr int kMemoryLevel = 8;

}  // namespace

DeflateStage::DeflateStage() : m_output(new unsigned char[kOutputSize]) {
  std::memset(&m_stream, 0, sizeof(m_stream));
}

DeflateStage::~DeflateStage() {
  if (m_initialised) {
    deflateEnd(&m_stream);
  }
}

int DeflateStage::Begin() {
  int result;
  if (m_initialised) {
    result = deflateReset(&m_stream);
  } else {
    result = deflateInit2(&m_stream, kLevel, Z_DEFLATED, kWindowBits, kMemoryLevel,
                          Z_DEFAULT_STRATEGY);
    m_initialised = result == Z_OK;
  }
  return result == Z_OK ? ZIP_OK : ZIP_INTERNALERROR;
}

int DeflateStage::Feed(const unsigned char* data, unsigned size, DeflateSink& sink) {
  m_stream.next_in = const_cast<Bytef*>(data);
  m_stream.avail_in = size;
  return Run(Z_NO_FLUSH, sink);
}

int DeflateStage::Finish(DeflateSink& sink) {
  m_stream.next_in = nullptr;
  m_stream.avail_in = 0;
  return Run(Z_FINISH, sink);
}

int DeflateStage::Run(int flush, DeflateSink& sink) {
  for (;;) {
    m_stream.next_out = m_output.get();
    m_stream.avail_out = kOutputSize;
    int result = deflate(&m_stream, flush);
    if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) {
      return ZIP_INTERNALERROR;
    }
    unsigned produced = kOutputSize - m_stream.avail_out;
    if (produced > 0) {
      int written = sink.Put(m_output.get(), produced);
      if (written != ZIP_OK) {
        return written;
      }
    }
    if (flush == Z_FINISH ? result == Z_STREAM_END : m_stream.avail_out != 0) {
      return ZIP_OK;
    }
  }
}

}  // namespace zip
}  // namespace velt
