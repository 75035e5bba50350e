// Raw deflate (no zlib header) at level 9 for one entry after another. The
// compressor's state is made once and reset between entries: allocating and
// freeing zlib's several hundred kilobytes per entry costs more than
// compressing a small file.
#pragma once

#include <zlib.h>

#include <memory>

namespace velt {
namespace zip {

// Receives compressed bytes; may change them in place (encryption).
class DeflateSink {
 public:
  virtual ~DeflateSink() = default;
  // 0 or a negative minizip error, which stops the stage.
  virtual int Put(unsigned char* data, unsigned size) = 0;
};

class DeflateStage {
 public:
  DeflateStage();
  ~DeflateStage();
  DeflateStage(const DeflateStage&) = delete;
  DeflateStage& operator=(const DeflateStage&) = delete;

  // Starts a new entry. 0 or a negative minizip error.
  int Begin();
  // Compresses `size` bytes, handing finished output to `sink`.
  int Feed(const unsigned char* data, unsigned size, DeflateSink& sink);
  // Ends the entry's stream and hands the rest to `sink`.
  int Finish(DeflateSink& sink);

 private:
  int Run(int flush, DeflateSink& sink);

  z_stream m_stream;
  bool m_initialised = false;
  std::unique_ptr<unsigned char[]> m_output;
};

}  // namespace zip
}  // namespace velt
