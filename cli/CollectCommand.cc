// velt collect: a collect-logs run into a zip bundle.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "Arguments.h"
#include "Commands.h"
#include "ConfigCatalog.h"
#include "ConsoleSession.h"
#include "InstallFolder.h"
#include "RequestFile.h"
#include "SecretInput.h"
#include "velt/engine/VeltEngine.h"
#include "velt/platform/TextEncoding.h"

namespace velt {
namespace cli {
namespace {

const char kUsage[] =
    "usage: velt collect [--install-dir DIR] [--request FILE | --id ID... [--comment TEXT]]\n"
    "                    [--bundle PATH] [--password-file FILE | --password-env VAR |\n"
    "                    --password-prompt] [--include-system-logs] [--skip-msinfo32]\n"
    "                    [--log-file FILE]\n";

// "velt-bundle-YYYYMMDD-HHMMSS.zip" in the current folder.
std::string DefaultBundlePath() {
  std::time_t now = std::time(nullptr);
  struct tm local;
  localtime_r(&now, &local);
  char name[64];
  std::strftime(name, sizeof(name), "velt-bundle-%Y%m%d-%H%M%S.zip", &local);
  return name;
}

// The file IDs a default run collects.
std::vector<std::string> DefaultIds(const std::wstring& installFolder, bool includeSystemLogs) {
  std::vector<std::string> ids;
  ConfigCatalog catalog;
  catalog.Load(installFolder);
  for (const CatalogEntry& entry : catalog.entries()) {
    if (entry.collectedByDefault && (includeSystemLogs || !IsSystemLogId(entry.id))) {
      ids.push_back(Narrow(entry.id));
    }
  }
  return ids;
}

std::string Absolute(const std::string& path) {
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) != nullptr ? resolved : path;
}

}  // namespace

int Collect(int argc, char** argv) {
  Arguments args(argc, argv,
                 {"install-dir", "request", "id", "comment", "bundle", "password-file",
                  "password-env", "log-file"},
                 {"password-prompt", "include-system-logs", "skip-msinfo32", "help"});
  if (!args.ok() || !args.positional().empty()) {
    std::fprintf(stderr, "velt collect: %s\n%s",
                 args.ok() ? "unexpected argument" : args.error().c_str(), kUsage);
    return 2;
  }
  if (args.Has("help")) {
    std::printf("%s", kUsage);
    return 0;
  }
  if (args.Has("request") && (args.Has("id") || args.Has("comment"))) {
    std::fprintf(stderr, "velt collect: --request cannot be combined with --id or --comment\n%s",
                 kUsage);
    return 2;
  }
  std::string password;
  SecretSource secret;
  secret.file = args.Get("password-file");
  secret.environmentVariable = args.Get("password-env");
  secret.prompt = args.Has("password-prompt") ? "Bundle password: " : "";
  if (!ReadSecret(secret, password)) {
    return 2;
  }
  ConsoleSession session(args.Get("log-file"), args.Has("skip-msinfo32"));
  if (!session.ok()) {
    return 2;
  }

  const std::wstring installFolder = ResolveInstallFolder(args.Get("install-dir"));
  std::string requestPath = args.Get("request");
  RequestFile generated;
  if (args.Has("id") || args.Has("comment")) {
    std::vector<std::string> ids = args.GetAll("id");
    if (ids.empty()) {
      // A comment alone: request what a default run would collect, so the
      // comment travels with the usual bundle.
      ids = DefaultIds(installFolder, args.Has("include-system-logs"));
    }
    if (!generated.Write(ids, args.Get("comment"))) {
      return 1;
    }
    requestPath = generated.path();
  }
  const std::string bundle = args.Get("bundle", DefaultBundlePath());
  VeltEngine engine(Widen(requestPath), installFolder,
                    Widen(bundle), Widen(password), false, args.Has("include-system-logs"));
  WipeSecret(password);
  const long result = engine.start();
  if (result != 0) {
    ReportFailure("collect", result);
    return 1;
  }
  std::printf("Bundle: %s\n", Absolute(Narrow(engine.bundlePath())).c_str());
  return 0;
}

}  // namespace cli
}  // namespace velt
