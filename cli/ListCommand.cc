// velt list: the file IDs the configurations offer.
#include <cstdio>

#include "Arguments.h"
#include "Commands.h"
#include "ConfigCatalog.h"
#include "ConsoleSession.h"
#include "InstallFolder.h"
#include "velt/platform/TextEncoding.h"
#include "velt/runtime/ResultCodes.h"

namespace velt {
namespace cli {

int List(int argc, char** argv) {
  Arguments args(argc, argv, {"install-dir", "log-file"}, {"help"});
  if (!args.ok() || !args.positional().empty()) {
    std::fprintf(stderr, "velt list: %s\nusage: velt list [--install-dir DIR] [--log-file FILE]\n",
                 args.ok() ? "unexpected argument" : args.error().c_str());
    return 2;
  }
  if (args.Has("help")) {
    std::printf("usage: velt list [--install-dir DIR] [--log-file FILE]\n");
    return 0;
  }
  ConsoleSession session(args.Get("log-file"), false);
  if (!session.ok()) {
    return 2;
  }
  const std::wstring installFolder = ResolveInstallFolder(args.Get("install-dir"));
  ConfigCatalog catalog;
  if (!catalog.Load(installFolder)) {
    std::fprintf(stderr, "velt: no valid configuration found under %sxml/config/\n",
                 Narrow(installFolder).c_str());
    ReportFailure("list", VELTENGINE_ERROR_INTERNAL);
    return 1;
  }
  std::printf("%-20s %-18s %-7s %-5s %s\n", "ID", "CONFIGURATION", "DEFAULT", "CLEAR",
              "DESCRIPTION");
  for (const CatalogEntry& entry : catalog.entries()) {
    std::printf("%-20s %-18s %-7s %-5s %s\n", Narrow(entry.id).c_str(),
                Narrow(entry.configTitle).c_str(), entry.collectedByDefault ? "yes" : "no",
                entry.clearable() ? "yes" : "no", Narrow(entry.description).c_str());
  }
  for (const std::wstring& failed : catalog.failedFiles()) {
    std::printf("not loaded: %s\n", Narrow(failed).c_str());
  }
  return 0;
}

}  // namespace cli
}  // namespace velt
