// What a reason composed with SystemErrorText says about its failure: it
// ends with the system's message for the error, whichever system's
// messages those are.
#include <initializer_list>

#include "platform/SystemError.h"
#include "platform/common/ErrorNumbers.h"

namespace velt {
namespace platform {
namespace {

bool EndsWithErrorText(const std::string& reason, std::initializer_list<int> codes) {
  for (int code : codes) {
    const std::string text = SystemErrorText(static_cast<unsigned long>(code));
    if (reason.size() >= text.size() &&
        reason.compare(reason.size() - text.size(), text.size(), text) == 0) {
      return true;
    }
  }
  return false;
}

}  // namespace

bool ReportsLackOfSpace(const std::string& reason) {
  return EndsWithErrorText(reason, {ENOSPC, EDQUOT, EFBIG});
}

bool ReportsLackOfPermission(const std::string& reason) {
  return EndsWithErrorText(reason, {EACCES, EPERM});
}

}  // namespace platform
}  // namespace velt
