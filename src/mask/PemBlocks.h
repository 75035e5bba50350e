// Private key blocks ("-----BEGIN ... PRIVATE KEY-----" to "-----END ...
// PRIVATE KEY-----"): the lines between the markers are masked, the markers
// stay. A block may span windows of text, so the state of being inside one
// is kept from call to call. A line that cannot belong to a key (anything
// but base64, blank lines and "Name: value" headers) ends a block whose end
// marker is missing, so a stray begin marker does not mask the rest of a log.
#pragma once

#include <re2/re2.h>

#include <cstdint>
#include <vector>

#include "mask/MaskSpan.h"

namespace velt {
namespace mask {

struct PemMarker {
  size_t start;
  size_t end;
  bool begin;  // a begin marker, else an end marker
};

class PemBlocks {
 public:
  void Reset() { m_inside = false; }
  bool inside() const { return m_inside; }

  // Adds spans for the key material in the lines of text[begin, end), given
  // the markers found there (in any order); returns how many blocks had
  // their first line masked here.
  unsigned Mask(const re2::StringPiece& text, size_t begin, size_t end,
                std::vector<PemMarker>& markers, std::vector<MaskSpan>& spans);

 private:
  bool m_inside = false;
  bool m_counted = false;  // the block in hand has been counted
};

}  // namespace mask
}  // namespace velt
