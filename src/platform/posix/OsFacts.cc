#include "platform/OsFacts.h"

#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cerrno>
#include <sstream>
#include <vector>

#include "platform/common/SystemOsFacts.h"
#include "platform/posix/FileCalls.h"
#include "velt/platform/TextEncoding.h"

namespace velt {
namespace platform {
namespace {

// PRETTY_NAME of an os-release file, without its quotes; empty when absent.
std::string ReadPrettyName(const char* file) {
  std::string bytes;
  posix::ReadSmallFile(file, posix::kSmallTextLimit, bytes);
  std::istringstream in(bytes);
  std::string line;
  while (std::getline(in, line)) {
    const std::string key = "PRETTY_NAME=";
    if (line.compare(0, key.size(), key) != 0) {
      continue;
    }
    std::string value = line.substr(key.size());
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    std::string plain;
    for (size_t i = 0; i < value.size(); ++i) {
      if (value[i] == '\\' && i + 1 < value.size()) {
        ++i;
      }
      plain += value[i];
    }
    return plain;
  }
  return std::string();
}

class SystemOsFacts : public OsFactsSource {
 public:
  bool ReadVersion(OsVersionFacts& facts) const override {
    facts = OsVersionFacts();
    struct utsname names;
    if (uname(&names) != 0) {
      return false;
    }
    facts.kind = OsKind::kLinux;
    facts.release = names.release;
    unsigned numbers[3] = {0, 0, 0};
    const char* cursor = names.release;
    for (unsigned& number : numbers) {
      while (*cursor >= '0' && *cursor <= '9') {
        number = number * 10 + static_cast<unsigned>(*cursor - '0');
        ++cursor;
      }
      if (*cursor != '.') {
        break;
      }
      ++cursor;
    }
    facts.major = numbers[0];
    facts.minor = numbers[1];
    facts.build = numbers[2];
    facts.distribution = ReadPrettyName("/etc/os-release");
    if (facts.distribution.empty()) {
      facts.distribution = ReadPrettyName("/usr/lib/os-release");
    }
    return true;
  }

  int UserName(std::wstring& name) const override {
    name.clear();
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    struct passwd entry;
    struct passwd* found = nullptr;
    int error = getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found);
    if (error != 0) {
      return error;
    }
    if (found == nullptr) {
      return ENOENT;
    }
    name = Widen(found->pw_name);
    return 0;
  }

  bool IsElevated() const override { return geteuid() == 0; }
};

const SystemOsFacts g_system;

}  // namespace

const OsFactsSource& SystemOsFactsSource() { return g_system; }

}  // namespace platform
}  // namespace velt
