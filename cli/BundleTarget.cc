#include "BundleTarget.h"

#include <openssl/evp.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <memory>

#include "velt/engine/BundleFiles.h"
#include "velt/platform/File.h"
#include "velt/platform/LocalTime.h"
#include "velt/platform/PathSeparator.h"
#include "velt/platform/ResolvedPaths.h"
#include "velt/platform/SystemError.h"

namespace velt {
namespace cli {
namespace {

using platform::ErrorKind;
using platform::ErrorKindOf;

const char kBundleHint[] = "name another bundle with --bundle (-o)";

bool Fail(const std::string& what, const std::string& path, int error, const char* todo) {
  std::fprintf(stderr, "velt: %s %s: %s; %s\n", what.c_str(), path.c_str(),
               platform::SystemErrorText(static_cast<unsigned long>(error)).c_str(), todo);
  return false;
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool IsFolder(const std::string& path) {
  platform::FileDetails details;
  return platform::GetFileDetails(path, true, details) == 0 && details.isDirectory;
}

std::string ShortHostName() {
  const std::string full = engine::MachineHostName();
  std::string name = full.substr(0, full.find('.'));
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_') {
      c = '_';
    }
  }
  return name.empty() ? "host" : name;
}

// A file already at `path` (a link counts, wherever it points).
bool Refuse(const std::string& path, bool replace) {
  platform::FileDetails details;
  if (replace || platform::GetFileDetails(path, false, details) != 0) {
    return false;
  }
  std::fprintf(stderr, "velt: %s already exists; add --force to replace it, or %s\n",
               path.c_str(), kBundleHint);
  return true;
}

// The SHA-256 of a file read without following a link, as hexadecimal.
bool Digest(const std::string& path, std::string& hex, uint64_t& size) {
  platform::File file;
  int error = file.Open(path, false);
  if (error != 0) {
    return Fail("cannot read the bundle", path, error, "the run's result is in doubt");
  }
  std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
  bool ok = context && EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) == 1;
  unsigned char buffer[1 << 16];
  size = 0;
  long got = 0;
  while (ok && (got = file.Read(buffer, sizeof buffer, error)) != 0) {
    ok = got > 0 && EVP_DigestUpdate(context.get(), buffer, static_cast<size_t>(got)) == 1;
    size += got > 0 ? static_cast<uint64_t>(got) : 0;
  }
  if (got >= 0) {
    error = platform::ErrorNumber(ErrorKind::kIo);
  }
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned length = 0;
  if (!ok || EVP_DigestFinal_ex(context.get(), digest, &length) != 1) {
    return Fail("cannot compute the SHA-256 of", path, error, "the run's result is in doubt");
  }
  hex.clear();
  for (unsigned i = 0; i < length; ++i) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02x", digest[i]);
    hex += pair;
  }
  return true;
}

// Writes `text` to a fresh private file beside `path`, then renames it to
// `path`: never through a link, and over an existing file only if `replace`.
bool WriteBeside(const std::string& path, const std::string& text, bool replace) {
  bool created = false;
  const int error = engine::WriteBesideBundle(path, text, replace, created);
  if (error == 0) {
    return true;
  }
  if (!created) {
    return Fail("cannot create a file beside", path, error, "check the bundle's folder");
  }
  return Fail("cannot write", path, error,
              ErrorKindOf(error) == ErrorKind::kExists ? "add --force to replace it"
                                                       : "check the bundle's folder");
}

}  // namespace

std::string DefaultBundleName(bool withHostName, const std::string& caseId) {
  platform::LocalDateTime local;
  platform::ToLocalDateTime(static_cast<int64_t>(std::time(nullptr)), local);
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "%04d%02d%02d-%02d%02d%02d", local.year, local.month,
                local.day, local.hour, local.minute, local.second);
  return "velt-" + (caseId.empty() ? std::string() : caseId + "-") +
         (withHostName ? ShortHostName() + "-" : std::string()) + stamp + ".zip";
}

bool ResolveBundle(const std::string& option, bool replace, bool maskHosts, BundleTarget& target,
                   const std::string& caseId) {
  std::string folder = ".";
  // With host names masked, the bundle's own name does not give this one away.
  target.name = DefaultBundleName(!maskHosts, caseId);
  if (!option.empty() && option.back() != kNarrowPathSeparator && !IsFolder(option)) {
    const size_t slash = option.rfind(kNarrowPathSeparator);
    folder = slash == std::string::npos ? "."
             : slash == 0                ? option.substr(0, 1)
                                         : option.substr(0, slash);
    target.name = option.substr(slash == std::string::npos ? 0 : slash + 1);
    if (!EndsWith(target.name, ".zip")) {
      target.name += ".zip";
    }
  } else if (!option.empty()) {
    folder = option;
  }
  std::string resolved;
  const int error = platform::ResolvePath(folder, resolved);
  if (error != 0) {
    return Fail("cannot use the bundle's folder", folder, error,
                "create it first, or name another with --bundle (-o)");
  }
  target.folder = resolved == std::string(1, kNarrowPathSeparator) ? "" : resolved;
  if (!IsFolder(resolved)) {
    return Fail("cannot use the bundle's folder", resolved,
                platform::ErrorNumber(ErrorKind::kNotAFolder), kBundleHint);
  }
  // Trying is the only sure test: permissions, a read-only mount and
  // pseudo file systems all show here, not at the end of the run.
  const int probed = engine::ProbeBesideBundle(target.path());
  if (probed != 0) {
    return Fail("cannot write the bundle into", resolved, probed, kBundleHint);
  }
  return !Refuse(target.path(), replace) && !Refuse(target.checksumPath(), replace) &&
         !(maskHosts && Refuse(target.hostsMapPath(), replace));
}

bool DescribeBundle(const BundleTarget& target, bool replace, BundleFacts& facts) {
  facts.path = target.path();
  facts.checksumFile = target.checksumPath();
  return Digest(facts.path, facts.sha256, facts.size) &&
         WriteBeside(facts.checksumFile, facts.sha256 + "  " + target.name + "\n", replace);
}

}  // namespace cli
}  // namespace velt
