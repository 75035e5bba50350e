// The system's own OsFactsSource, which each system's OsFacts.cc makes, for
// the portable choice between it and an installed one (common/OsFacts.cc).
#pragma once

#include "platform/OsFacts.h"

namespace velt {
namespace platform {

const OsFactsSource& SystemOsFactsSource();

}  // namespace platform
}  // namespace velt
