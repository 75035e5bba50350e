// A scratch path of this fuzzer process's own, for targets that read their
// input from a file. Memory-backed when the system has such a folder:
// rewriting a file thousands of times a second on a disk's file system
// waits for the disk (ext4 writes a truncated file out before it is reused).
#pragma once

#include <filesystem>
#include <random>
#include <string>

namespace velt {
namespace fuzz {

inline std::filesystem::path ScratchPath(const std::string& name) {
  std::error_code error;
  const std::filesystem::path memory = "/dev/shm";
  const std::filesystem::path base = std::filesystem::is_directory(memory, error)
                                         ? memory
                                         : std::filesystem::temp_directory_path();
  return base / (name + "-" + std::to_string(std::random_device()()));
}

}  // namespace fuzz
}  // namespace velt
