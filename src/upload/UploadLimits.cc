#include "upload/UploadLimits.h"

#include <algorithm>
#include <climits>

namespace velt {
namespace upload {
namespace {

constexpr long kConnectTimeoutSeconds = 60;
constexpr long kStallSeconds = 120;
constexpr long kFloorBytesPerSecond = 8 * 1024;
// libcurl takes at most INT_MAX milliseconds as a transfer's total time.
constexpr long long kMostSeconds = INT_MAX / 1000;

}  // namespace

UploadTimeLimits TimeLimitsFor(const VELT_UPLOAD_SETTINGS& settings, long long bundleBytes) {
  const long given = settings.timeoutSeconds;
  UploadTimeLimits limits;
  limits.connectSeconds = given > 0 ? given : kConnectTimeoutSeconds;
  limits.stallSeconds = given > 0 ? given : kStallSeconds;
  limits.floorRate = settings.floorBytesPerSecond > 0 ? settings.floorBytesPerSecond
                                                      : kFloorBytesPerSecond;
  const long long sending = (std::max(bundleBytes, 0LL) + limits.floorRate - 1) / limits.floorRate;
  limits.totalSeconds = static_cast<long>(std::min(
      kMostSeconds, static_cast<long long>(limits.connectSeconds) + limits.stallSeconds + sending));
  return limits;
}

}  // namespace upload
}  // namespace velt
