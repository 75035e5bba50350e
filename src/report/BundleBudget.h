// A size budget for the whole bundle: how much of each collected file may
// stay so that together they fit.
#pragma once

#include <cstdint>
#include <vector>

namespace velt {
namespace report {

// The sizes the files may keep so that together they stay within `budget`
// bytes: the largest of those that `cuttable` marks are cut to one common
// size, the largest that fits, and every other file keeps its own. Files
// that may not be cut count in full, so when they alone pass the budget
// the cuttable ones keep nothing.
std::vector<uint64_t> KeptSizes(const std::vector<uint64_t>& sizes,
                                const std::vector<bool>& cuttable, uint64_t budget);

}  // namespace report
}  // namespace velt
