#include "report/BundleBudget.h"

#include <algorithm>

namespace velt {
namespace report {

std::vector<uint64_t> KeptSizes(const std::vector<uint64_t>& sizes,
                                const std::vector<bool>& cuttable, uint64_t budget) {
  uint64_t fixed = 0;
  uint64_t largest = 0;
  for (size_t i = 0; i < sizes.size(); ++i) {
    if (cuttable[i]) {
      largest = std::max(largest, sizes[i]);
    } else {
      fixed += sizes[i];
    }
  }
  const uint64_t room = budget > fixed ? budget - fixed : 0;
  // What the cuttable files take when none keeps more than `cap`; it grows
  // with the cap, so the largest cap that fits is found by halving.
  auto taken = [&](uint64_t cap) {
    uint64_t total = 0;
    for (size_t i = 0; i < sizes.size(); ++i) {
      if (cuttable[i]) total += std::min(sizes[i], cap);
    }
    return total;
  };
  uint64_t low = 0, high = largest;
  while (low < high) {
    const uint64_t middle = low + (high - low + 1) / 2;
    if (taken(middle) <= room) {
      low = middle;
    } else {
      high = middle - 1;
    }
  }
  std::vector<uint64_t> kept(sizes);
  for (size_t i = 0; i < sizes.size(); ++i) {
    if (cuttable[i]) kept[i] = std::min(sizes[i], low);
  }
  return kept;
}

}  // namespace report
}  // namespace velt
