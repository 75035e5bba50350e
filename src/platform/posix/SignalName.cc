#include "velt/platform/SignalName.h"

#include <signal.h>

namespace velt {
namespace platform {

std::string StopSignalName(int signalNumber) {
  switch (signalNumber) {
    case SIGINT:
      return "SIGINT";
    case SIGTERM:
      return "SIGTERM";
    case SIGHUP:
      return "SIGHUP";
    case SIGPIPE:
      return "SIGPIPE";
    default:
      return "signal " + std::to_string(signalNumber);
  }
}

}  // namespace platform
}  // namespace velt
