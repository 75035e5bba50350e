// What a test can see of another process through /proc.
#pragma once

#include <fstream>
#include <string>

namespace velt {
namespace test {

// True once `pid` no longer runs: gone, or a zombie waiting for a parent
// that is not this process.
inline bool ProcessEnded(int pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  if (!stat) {
    return true;
  }
  std::string line;
  std::getline(stat, line);
  const size_t close = line.rfind(')');
  return close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'Z';
}

}  // namespace test
}  // namespace velt
