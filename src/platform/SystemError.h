// Text of the system's error numbers.
#pragma once

#include <string>

namespace velt {
namespace platform {

// The system's message for error number `code`; empty when it has none.
std::string SystemErrorText(unsigned long code);

}  // namespace platform
}  // namespace velt
