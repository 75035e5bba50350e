// Secrets that span lines, masked between a begin marker and the end of
// their block. A block may span windows of text, so the state of being
// inside one is kept from call to call.
// - kKey: private key blocks ("-----BEGIN ... PRIVATE KEY-----" to "-----END
//   ... PRIVATE KEY-----", OpenVPN static keys, PuTTY's "Private-Lines:"):
//   the lines between the markers are masked, the markers stay. A line that
//   cannot belong to a key (anything but base64, blank lines and "Name:
//   value" headers) ends a block whose end marker is missing, so a stray
//   begin marker does not mask the rest of a log.
// - kElement: an element that holds a secret and whose opening tag ends its
//   line (<password>, OpenVPN's <auth-user-pass>): each following line is
//   masked up to its first '<', which ends the block.
// - kData, kStringData: the map under a "data:" or "stringData:" line (a
//   Kubernetes Secret, as YAML or as JSON): every value of the lines
//   indented deeper (up to the closing brace in JSON) is masked; under
//   "data:" only values that are base64.
#pragma once

#include <re2/re2.h>

#include <vector>

#include "mask/MaskSpan.h"

namespace velt {
namespace mask {

enum class BlockType { kKey, kElement, kData, kStringData };

struct BlockMarker {
  size_t start;
  size_t end;
  bool begin;      // a begin marker, else an end marker (kKey only)
  BlockType type;  // of the block a begin marker opens
  MaskKind kind;   // what the block counts as
};

class LineBlocks {
 public:
  void Reset() { m_inside = false; }
  bool inside() const { return m_inside; }

  // Adds spans for the secrets in the lines of text[begin, end), given the
  // markers found there (in any order). The first span of a block counts
  // for the block, except in data maps, where every value counts.
  void Mask(const re2::StringPiece& text, size_t begin, size_t end,
            std::vector<BlockMarker>& markers, std::vector<MaskSpan>& spans);

 private:
  // Masks what the line text[line, lineEnd) holds of the open block;
  // false when the line ends the block and is not part of it.
  bool ContentLine(const re2::StringPiece& text, size_t line, size_t lineEnd,
                   std::vector<MaskSpan>& spans);
  void Add(size_t from, size_t to, const re2::StringPiece& text, std::vector<MaskSpan>& spans);

  bool m_inside = false;
  bool m_counted = false;  // the block in hand has been counted
  BlockType m_type = BlockType::kKey;
  MaskKind m_kind = MaskKind::kPrivateKey;
  size_t m_indent = 0;  // of a data map's marker line
  bool m_json = false;  // a data map in JSON
  size_t m_lines = 0;   // lines of the open block so far
};

}  // namespace mask
}  // namespace velt
