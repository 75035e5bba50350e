#include "mask/PrefixPseudonyms.h"

#include <algorithm>

namespace velt {
namespace mask {

namespace {

// The first `bits` bits of `a` and `b` are equal.
bool SamePrefix(const uint8_t* a, const uint8_t* b, int bits) {
  int whole = bits / 8;
  if (!std::equal(a, a + whole, b)) {
    return false;
  }
  int rest = bits % 8;
  uint8_t mask = static_cast<uint8_t>(0xFF00 >> rest);
  return rest == 0 || ((a[whole] ^ b[whole]) & mask) == 0;
}

// Random draws before the choice falls back to a scan; a kind covers at
// least 1/512 of a group's values, so the scan is all but never needed.
constexpr int kDraws = 1 << 14;

}  // namespace

PrefixPseudonyms::PrefixPseudonyms(int bytes, int groupBits, int varied,
                                   std::vector<AddressBlock> blocks, RandomSource random)
    : m_bytes(bytes),
      m_groupBits(groupBits),
      m_varied(varied),
      m_allOnes((1u << groupBits) - 1),
      m_blocks(std::move(blocks)),
      m_random(std::move(random)),
      m_nodes(1, Node{0, 0, 0}) {}

uint32_t PrefixPseudonyms::Group(const uint8_t* address, int index) const {
  if (m_groupBits == 8) {
    return address[index];
  }
  return static_cast<uint32_t>(address[2 * index]) << 8 | address[2 * index + 1];
}

void PrefixPseudonyms::SetGroup(uint8_t* address, int index, uint32_t value) const {
  if (m_groupBits == 8) {
    address[index] = static_cast<uint8_t>(value);
  } else {
    address[2 * index] = static_cast<uint8_t>(value >> 8);
    address[2 * index + 1] = static_cast<uint8_t>(value);
  }
}

int PrefixPseudonyms::KindOf(const uint8_t* address, int bits) const {
  int kind = -1;
  int kindLength = -1;
  for (size_t i = 0; i < m_blocks.size(); ++i) {
    const AddressBlock& block = m_blocks[i];
    if (block.length > bits) {
      if (SamePrefix(address, block.prefix.data(), bits)) {
        return kFixed;
      }
    } else if (block.length > kindLength &&
               SamePrefix(address, block.prefix.data(), block.length)) {
      kind = static_cast<int>(i);
      kindLength = block.length;
    }
  }
  return kind;
}

int PrefixPseudonyms::BlockOf(const uint8_t* address) const { return KindOf(address, m_bytes * 8); }

uint32_t PrefixPseudonyms::Choose(uint32_t node, const uint8_t* address, uint8_t* pseudonym,
                                  int index) {
  uint32_t original = Group(address, index);
  int bits = (index + 1) * m_groupBits;
  int kind = KindOf(address, bits);
  if (kind == kFixed || original == 0 || original == m_allOnes) {
    return original;
  }
  auto fits = [&](uint32_t value) {
    if (value == 0 || value == m_allOnes || m_taken.count(uint64_t{node} << 16 | value)) {
      return false;
    }
    SetGroup(pseudonym, index, value);
    return KindOf(pseudonym, bits) == kind;
  };
  // A value other than the original, unless it is the only one left.
  for (int draw = 0; draw < kDraws; ++draw) {
    uint32_t value = m_random() & m_allOnes;
    if (value != original && fits(value)) {
      return value;
    }
  }
  uint32_t start = m_random() & m_allOnes;
  for (uint32_t step = 0; step <= m_allOnes; ++step) {
    uint32_t value = (start + step) & m_allOnes;
    if (fits(value)) {
      return value;
    }
  }
  return original;
}

bool PrefixPseudonyms::Map(const uint8_t* address, uint8_t* pseudonym) {
  std::copy(address, address + m_bytes, pseudonym);
  int block = BlockOf(address);
  if (block >= 0 && m_blocks[block].keep) {
    return false;
  }
  uint32_t node = 0;
  for (int index = 0; index < m_varied; ++index) {
    uint32_t original = Group(address, index);
    uint64_t key = uint64_t{node} << 16 | original;
    auto child = m_children.find(key);
    if (child == m_children.end()) {
      uint32_t value = Choose(node, address, pseudonym, index);
      m_taken.insert(uint64_t{node} << 16 | value);
      m_nodes.push_back(Node{node, static_cast<uint16_t>(original), static_cast<uint16_t>(value)});
      child = m_children.emplace(key, static_cast<uint32_t>(m_nodes.size() - 1)).first;
    }
    node = child->second;
    SetGroup(pseudonym, index, m_nodes[node].pseudonym);
  }
  if (m_varied * m_groupBits < m_bytes * 8) {
    m_seen[node].set(address[m_bytes - 1]);
  }
  return true;
}

std::vector<PrefixPseudonyms::Pair> PrefixPseudonyms::List() const {
  std::vector<Pair> pairs;
  auto walk = [this](uint32_t leaf, Pair& pair) {
    pair.original.fill(0);
    pair.pseudonym.fill(0);
    for (int index = m_varied - 1; index >= 0; --index, leaf = m_nodes[leaf].parent) {
      SetGroup(pair.original.data(), index, m_nodes[leaf].original);
      SetGroup(pair.pseudonym.data(), index, m_nodes[leaf].pseudonym);
    }
  };
  if (m_varied * m_groupBits < m_bytes * 8) {
    for (const auto& leaf : m_seen) {
      Pair pair;
      walk(leaf.first, pair);
      for (int last = 0; last < 256; ++last) {
        if (leaf.second.test(last)) {
          pair.original[m_bytes - 1] = pair.pseudonym[m_bytes - 1] = static_cast<uint8_t>(last);
          pairs.push_back(pair);
        }
      }
    }
  } else {
    // Leaves are the nodes at the last level: the ones no other node has as parent.
    std::vector<bool> parent(m_nodes.size(), false);
    for (size_t i = 1; i < m_nodes.size(); ++i) {
      parent[m_nodes[i].parent] = true;
    }
    for (size_t i = 1; i < m_nodes.size(); ++i) {
      if (!parent[i]) {
        pairs.emplace_back();
        walk(static_cast<uint32_t>(i), pairs.back());
      }
    }
  }
  // Addresses whose every group stays were not replaced.
  pairs.erase(std::remove_if(pairs.begin(), pairs.end(),
                             [](const Pair& pair) { return pair.original == pair.pseudonym; }),
              pairs.end());
  std::sort(pairs.begin(), pairs.end(),
            [](const Pair& a, const Pair& b) { return a.original < b.original; });
  return pairs;
}

}  // namespace mask
}  // namespace velt
