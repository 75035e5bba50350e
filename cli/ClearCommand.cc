// velt clear: shows what the configurations would delete and run, then
// clears only after the user agrees (or with --yes).
#include <cstdio>
#include <iostream>
#include <string>

#include "Arguments.h"
#include "Commands.h"
#include "ConfigCatalog.h"
#include "ConsoleSession.h"
#include "InstallFolder.h"
#include "velt/engine/VeltEngine.h"
#include "velt/platform/TextEncoding.h"
#include "velt/runtime/ResultCodes.h"

namespace velt {
namespace cli {
namespace {

// Prints the plan; returns the number of things a clear would touch.
size_t PrintPlan(const ConfigCatalog& catalog, bool includeSystemLogs) {
  size_t actions = 0;
  for (const CatalogEntry& entry : catalog.entries()) {
    if (!entry.clearable() || (!includeSystemLogs && IsSystemLogId(entry.id))) {
      continue;
    }
    std::printf("%s (%s):\n", Narrow(entry.id).c_str(), Narrow(entry.configTitle).c_str());
    for (const std::wstring& pattern : entry.clearPatterns) {
      const std::vector<std::wstring> files = MatchingFiles(pattern);
      std::printf("  delete %s (%zu file%s now)\n", Narrow(pattern).c_str(), files.size(),
                  files.size() == 1 ? "" : "s");
      for (const std::wstring& file : files) {
        std::printf("    %s\n", Narrow(file).c_str());
      }
      ++actions;
    }
    for (const std::wstring& command : entry.clearCommands) {
      std::printf("  run    %s\n", Narrow(command).c_str());
      ++actions;
    }
  }
  return actions;
}

}  // namespace

int Clear(int argc, char** argv) {
  Arguments args(argc, argv, {"install-dir", "log-file"},
                 {"yes", "include-system-logs", "skip-msinfo32", "help"});
  if (!args.ok() || !args.positional().empty()) {
    std::fprintf(stderr,
                 "velt clear: %s\nusage: velt clear [--install-dir DIR] [--yes] "
                 "[--include-system-logs] [--skip-msinfo32] [--log-file FILE]\n",
                 args.ok() ? "unexpected argument" : args.error().c_str());
    return 2;
  }
  if (args.Has("help")) {
    std::printf("usage: velt clear [--install-dir DIR] [--yes] [--include-system-logs] "
                "[--skip-msinfo32] [--log-file FILE]\n");
    return 0;
  }
  ConsoleSession session(args.Get("log-file"), args.Has("skip-msinfo32"));
  if (!session.ok()) {
    return 2;
  }
  const std::wstring installFolder = ResolveInstallFolder(args.Get("install-dir"));
  const bool includeSystemLogs = args.Has("include-system-logs");
  {
    ConfigCatalog catalog;
    if (catalog.Load(installFolder)) {
      std::printf("A clear run would do the following:\n");
      if (PrintPlan(catalog, includeSystemLogs) == 0) {
        std::printf("  nothing: no configuration marks anything as clearable here\n");
      }
    }
  }
  if (!args.Has("yes")) {
    std::printf("Delete these files and run these commands? Type \"yes\" to go on: ");
    std::fflush(stdout);
    std::string answer;
    if (!std::getline(std::cin, answer) || answer != "yes") {
      std::printf("Nothing was cleared.\n");
      return 1;
    }
  }
  VeltEngine engine(L"", installFolder, L"", L"", true, includeSystemLogs);
  const long result = engine.start();
  if (result != 0) {
    ReportFailure("clear", result);
    return 1;
  }
  return 0;
}

}  // namespace cli
}  // namespace velt
