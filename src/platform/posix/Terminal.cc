#include "velt/platform/Terminal.h"

#include <unistd.h>

namespace velt {
namespace platform {

bool StandardOutputIsTerminal() { return isatty(STDOUT_FILENO) != 0; }

}  // namespace platform
}  // namespace velt
