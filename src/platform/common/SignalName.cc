#include "velt/platform/SignalName.h"

#include "platform/common/StopSignalNumbers.h"

namespace velt {
namespace platform {

std::string StopSignalName(int signalNumber) {
  switch (signalNumber) {
    case kInterruptSignal:
      return "SIGINT";
    case kTerminateSignal:
      return "SIGTERM";
    case kHangUpSignal:
      return "SIGHUP";
    case kBrokenPipeSignal:
      return "SIGPIPE";
    default:
      return "signal " + std::to_string(signalNumber);
  }
}

}  // namespace platform
}  // namespace velt
