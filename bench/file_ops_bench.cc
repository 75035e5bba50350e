// Times one helperUtil file operation, for bench/file_ops_bench.sh to
// compare with the standard tools:
//   file_ops_bench copy <source> <destination>   (a file or a folder)
//   file_ops_bench find <folder> <pattern>
//   file_ops_bench deletedir <folder>
// Prints the result code, the entry count (find) and the wall time; exits
// non-zero when the operation fails.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <list>
#include <string>

#include "velt/helpers/helperUtil.h"
#include "velt/platform/TextEncoding.h"
#include "velt/runtime/CAppLog.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s copy SRC DST | find DIR PATTERN | deletedir DIR\n", argv[0]);
    return 2;
  }
  long logResult = 0;
  CAppLog log(logResult, "file_ops_bench");
  const std::string op = argv[1];
  long result = 0;
  size_t count = 0;
  auto start = std::chrono::steady_clock::now();
  if (op == "copy" && argc == 4) {
    result = helperUtil::fileCopy(velt::Widen(argv[2]), velt::Widen(argv[3]));
  } else if (op == "find" && argc == 4) {
    std::list<FILE_INFO> files;
    result = helperUtil::fileFindAll(velt::Widen(argv[2]), velt::Widen(argv[3]), files);
    count = files.size();
  } else if (op == "deletedir" && argc == 3) {
    result = helperUtil::fileDeleteDirectory(velt::Widen(argv[2]));
  } else {
    std::fprintf(stderr, "unknown operation or wrong arguments\n");
    return 2;
  }
  auto elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("result=%ld entries=%zu seconds=%.4f\n", result, count, elapsed);
  return result == 0 ? 0 : 1;
}
