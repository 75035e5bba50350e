// Pseudonyms for addresses that keep networks recognisable: an address is
// replaced group by group (octets of IPv4, 16-bit groups of IPv6), and the
// pseudonym of a group depends only on the groups before it, so addresses
// that share leading groups share them in their pseudonyms as well: a /24
// stays one /24, a /48 one /48.
//
// Each new group value gets a random unused value of the same kind: blocks
// (private ranges, link-local, documentation ranges...) keep their leading
// bits, an address outside every block never lands in one, and a group whose
// prefix holds a smaller block (192.0.0.0/8 holds 192.168.0.0/16) stays as it
// is. The value 0 and the all-ones value stay too, so network addresses
// ("10.20.0.0/16") and broadcast addresses keep their look.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <functional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace velt {
namespace mask {

struct AddressBlock {
  std::vector<uint8_t> prefix;  // address bytes, as long as the address
  int length;                   // prefix length in bits
  bool keep;                    // addresses inside stay as they are
};

class PrefixPseudonyms {
 public:
  using RandomSource = std::function<uint32_t()>;

  // `bytes`: 4 or 16; `groupBits`: 8 or 16; `varied`: how many leading
  // groups are replaced; the groups after them are copied (IPv4 keeps its
  // last octet) and must be one octet at most.
  PrefixPseudonyms(int bytes, int groupBits, int varied, std::vector<AddressBlock> blocks,
                   RandomSource random);

  // Writes the pseudonym of `address` to `pseudonym` (both `bytes` long);
  // false when the address lies in a kept block and `pseudonym` is a copy.
  bool Map(const uint8_t* address, uint8_t* pseudonym);

  struct Pair {
    std::array<uint8_t, 16> original;  // the first `bytes` bytes are used
    std::array<uint8_t, 16> pseudonym;
  };
  // Every address replaced so far with its pseudonym (when they differ), by
  // original address.
  std::vector<Pair> List() const;

 private:
  struct Node {
    uint32_t parent;
    uint16_t original;
    uint16_t pseudonym;
  };
  static constexpr int kFixed = -2;  // a prefix that must stay as it is

  uint32_t Group(const uint8_t* address, int index) const;
  void SetGroup(uint8_t* address, int index, uint32_t value) const;
  // The block whose kind the first `bits` bits of `address` have: kFixed
  // when a longer block lies inside them, else the innermost block holding
  // them, else -1.
  int KindOf(const uint8_t* address, int bits) const;
  int BlockOf(const uint8_t* address) const;
  uint32_t Choose(uint32_t node, const uint8_t* address, uint8_t* pseudonym, int index);

  int m_bytes;
  int m_groupBits;
  int m_varied;
  uint32_t m_allOnes;
  std::vector<AddressBlock> m_blocks;
  RandomSource m_random;
  std::vector<Node> m_nodes;                              // node 0 is the root
  std::unordered_map<uint64_t, uint32_t> m_children;      // node << 16 | original -> child node
  std::unordered_set<uint64_t> m_taken;                   // node << 16 | pseudonym
  std::unordered_map<uint32_t, std::bitset<256>> m_seen;  // leaf -> copied octets seen
};

}  // namespace mask
}  // namespace velt
