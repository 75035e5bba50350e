#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "Commands.h"
#include "velt/runtime/CAppLog.h"

namespace velt {
namespace cli {

int Describe(int argc, char** argv) {
  if (argc != 1) {
    std::fprintf(stderr, "usage: velt describe CODE   (e.g. 0xFEB0000C)\n");
    return 2;
  }
  char* end = nullptr;
  errno = 0;
  const unsigned long long code = std::strtoull(argv[0], &end, 0);
  if (errno != 0 || end == argv[0] || *end != '\0' || code > 0xFFFFFFFFull) {
    std::fprintf(stderr, "velt: '%s' is not a 32-bit result code\n", argv[0]);
    return 2;
  }
  std::printf("%s\n", CAppLog::DescribeCode(static_cast<unsigned long>(code)).c_str());
  return 0;
}

}  // namespace cli
}  // namespace velt
