// velt collect --estimate: what a collect run would gather, as the engine
// works it out with the run's own passes (VeltEngine::planCollect), shown
// as text or as one JSON object. Nothing is collected and no bundle is
// written.
#pragma once

#include <cstdint>

#include "velt/engine/VeltCollectPlan.h"

namespace velt {
namespace cli {

// Prints `plan` on standard output; `budget` is the run's --max-size (0:
// none). Returns the exit status.
int PrintEstimate(const VeltCollectPlan& plan, uint64_t budget, bool json);

}  // namespace cli
}  // namespace velt
