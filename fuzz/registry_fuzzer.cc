// Feeds arbitrary bytes to the registry reader as the registry export file,
// and looks one value up the way the engine's path translation does. The
// input's first line names the value ("HIVE\sub\key\ValueName"); the rest
// is the file, in whatever form the reader accepts (UTF-16LE with its byte
// order mark, or UTF-8).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "FuzzScratch.h"
#include "velt/helpers/helperUtil.h"
#include "velt/platform/TextEncoding.h"

namespace {

// The registry's longest value, its terminating NUL included.
constexpr size_t kValueBufferChars = 260;

// A file of this process's own, where the reader looks for the registry.
const std::string& RegistryFile() {
  static const std::string path = velt::fuzz::ScratchPath("velt-registry-fuzzer.reg").string();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("VELT_REGISTRY_FILE", RegistryFile().c_str(), 1);
  std::atexit([] { std::filesystem::remove(RegistryFile()); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const size_t end = bytes.find('\n');
  const std::string query = bytes.substr(0, end);
  {
    std::ofstream file(RegistryFile(), std::ios::binary | std::ios::trunc);
    if (end != std::string::npos) file << bytes.substr(end + 1);
  }
  const std::wstring value = helperUtil::getPathFromRegistry(velt::Widen(query));
  // A value is handed out only when it fits the registry's buffer.
  if (value.size() >= kValueBufferChars) __builtin_trap();
  return 0;
}
