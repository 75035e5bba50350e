#include "BundleTarget.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>

namespace velt {
namespace cli {
namespace {

const char kBundleHint[] = "name another bundle with --bundle (-o)";

bool Fail(const std::string& what, const std::string& path, int error, const char* todo) {
  std::fprintf(stderr, "velt: %s %s: %s; %s\n", what.c_str(), path.c_str(), std::strerror(error),
               todo);
  return false;
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::string ShortHostName() {
  char buffer[256] = {};
  gethostname(buffer, sizeof buffer - 1);
  std::string name(buffer, std::strcspn(buffer, "."));
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_') {
      c = '_';
    }
  }
  return name.empty() ? "host" : name;
}

// A file already at `path` (a link counts, wherever it points).
bool Refuse(const std::string& path, bool replace) {
  struct stat info;
  if (replace || lstat(path.c_str(), &info) != 0) {
    return false;
  }
  std::fprintf(stderr, "velt: %s already exists; add --force to replace it, or %s\n",
               path.c_str(), kBundleHint);
  return true;
}

// The SHA-256 of a file read without following a link, as hexadecimal.
bool Digest(const std::string& path, std::string& hex, uint64_t& size) {
  const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    return Fail("cannot read the bundle", path, errno, "the run's result is in doubt");
  }
  std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
  bool ok = context && EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) == 1;
  unsigned char buffer[1 << 16];
  size = 0;
  ssize_t got = 0;
  while (ok && (got = read(fd, buffer, sizeof buffer)) != 0) {
    if (got < 0 && errno == EINTR) {
      continue;
    }
    ok = got > 0 && EVP_DigestUpdate(context.get(), buffer, static_cast<size_t>(got)) == 1;
    size += got > 0 ? static_cast<uint64_t>(got) : 0;
  }
  const int error = got < 0 ? errno : EIO;
  close(fd);
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
  std::string temporary = path + ".XXXXXX";
  const int fd = mkostemp(&temporary[0], O_CLOEXEC);
  if (fd < 0) {
    return Fail("cannot create a file beside", path, errno, "check the bundle's folder");
  }
  const bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  int error = written ? 0 : errno != 0 ? errno : EIO;
  if (close(fd) != 0 && error == 0) {
    error = errno;
  }
  if (error == 0 &&
      renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, path.c_str(),
                replace ? 0 : RENAME_NOREPLACE) != 0) {
    error = errno;
  }
  if (error != 0) {
    unlink(temporary.c_str());
    return Fail("cannot write", path, error,
                error == EEXIST ? "add --force to replace it" : "check the bundle's folder");
  }
  return true;
}

}  // namespace

std::string DefaultBundleName(bool withHostName, const std::string& caseId) {
  const std::time_t now = std::time(nullptr);
  struct tm local;
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  return "velt-" + (caseId.empty() ? std::string() : caseId + "-") +
         (withHostName ? ShortHostName() + "-" : std::string()) + stamp + ".zip";
}

bool ResolveBundle(const std::string& option, bool replace, bool maskHosts, BundleTarget& target,
                   const std::string& caseId) {
  struct stat info;
  std::string folder = ".";
  // With host names masked, the bundle's own name does not give this one away.
  target.name = DefaultBundleName(!maskHosts, caseId);
  if (!option.empty() && option.back() != '/' &&
      !(stat(option.c_str(), &info) == 0 && S_ISDIR(info.st_mode))) {
    const size_t slash = option.rfind('/');
    folder = slash == std::string::npos ? "." : slash == 0 ? "/" : option.substr(0, slash);
    target.name = option.substr(slash == std::string::npos ? 0 : slash + 1);
    if (!EndsWith(target.name, ".zip")) {
      target.name += ".zip";
    }
  } else if (!option.empty()) {
    folder = option;
  }
  char resolved[PATH_MAX];
  if (realpath(folder.c_str(), resolved) == nullptr) {
    return Fail("cannot use the bundle's folder", folder, errno,
                "create it first, or name another with --bundle (-o)");
  }
  target.folder = std::strcmp(resolved, "/") == 0 ? "" : resolved;
  if (stat(resolved, &info) != 0 || !S_ISDIR(info.st_mode)) {
    return Fail("cannot use the bundle's folder", resolved, ENOTDIR, kBundleHint);
  }
  // Trying is the only sure test: permissions, a read-only mount and
  // pseudo file systems all show here, not at the end of the run.
  std::string probe = target.folder + "/.velt-write-check-XXXXXX";
  const int fd = mkostemp(&probe[0], O_CLOEXEC);
  if (fd < 0) {
    return Fail("cannot write the bundle into", resolved, errno, kBundleHint);
  }
  close(fd);
  unlink(probe.c_str());
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
