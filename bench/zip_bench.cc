// Zips one folder with the engine's writer, for bench/zip_bench.sh to time
// against Info-ZIP: zip_bench <folder> <archive> [password]
// The archive must not exist yet; VELT_ZIP_THREADS sets the thread count.
// Prints the result code and the wall time; exits non-zero on failure.
#include <chrono>
#include <cstdio>
#include <string>

#include "velt/platform/TextEncoding.h"
#include "velt/runtime/CAppLog.h"
#include "velt/zip/CZip.h"

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4) {
    std::fprintf(stderr, "usage: %s <folder> <archive> [password]\n", argv[0]);
    return 2;
  }
  long logResult = 0;
  CAppLog log(logResult, "zip_bench");
  std::wstring password = argc == 4 ? velt::Widen(argv[3]) : std::wstring();
  auto start = std::chrono::steady_clock::now();
  long result = CZip::Zip(velt::Widen(argv[1]), velt::Widen(argv[2]), password, true);
  auto elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("result=%ld seconds=%.3f\n", result, elapsed);
  return result == 0 ? 0 : 1;
}
