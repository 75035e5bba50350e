#include "velt/platform/SignalName.h"

#include <csignal>

namespace velt {
namespace platform {

// The C runtime's numbers for the console's interrupts: Ctrl-C, Ctrl-Break
// and the end of the console or the session.
std::string StopSignalName(int signalNumber) {
  switch (signalNumber) {
    case SIGINT:
      return "SIGINT";
    case SIGBREAK:
      return "SIGBREAK";
    case SIGTERM:
      return "SIGTERM";
    default:
      return "signal " + std::to_string(signalNumber);
  }
}

}  // namespace platform
}  // namespace velt
