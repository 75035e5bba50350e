// velt list: the file IDs the configurations offer.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>

#include "Commands.h"
#include "ConfigCatalog.h"
#include "ConsoleSession.h"
#include "velt/platform/TextEncoding.h"

namespace velt {
namespace cli {

Command DefineList(CLI::App& velt) {
  auto options = std::make_shared<SessionOptions>();
  CLI::App* app = velt.add_subcommand("list", "list the file IDs the configurations offer");
  AddSessionOptions(*app, *options);
  app->footer(
      "DEFAULT says whether a run without --id or --request collects the ID; CLEAR whether "
      "a clear run deletes or runs anything for it on this system (default entries only; "
      "system-logs and system-log-hist only with --include-system-logs).");
  return {app, [options] {
            std::unique_ptr<ConsoleSession> session;
            std::wstring installFolder;
            ConfigCatalog catalog;
            const int status = OpenConfigurations(*options, session, installFolder, catalog);
            if (status >= 0) {
              return status;
            }
            VeltClearPlan plan;
            PlanClear(installFolder, true, plan);
            catalog.MarkCleared(plan);
            std::printf("%-20s %-18s %-7s %-5s %s\n", "ID", "CONFIGURATION", "DEFAULT", "CLEAR",
                        "DESCRIPTION");
            for (const CatalogEntry& entry : catalog.entries()) {
              std::printf("%-20s %-18s %-7s %-5s %s\n", Narrow(entry.id).c_str(),
                          Narrow(entry.configTitle).c_str(),
                          entry.collectedByDefault ? "yes" : "no",
                          entry.clearedByRun ? "yes" : "no",
                          Narrow(entry.description).c_str());
            }
            for (const std::wstring& failed : catalog.failedFiles()) {
              std::fprintf(stderr, "velt: not loaded (see the log for why): %s\n",
                           Narrow(failed).c_str());
            }
            return kExitSuccess;
          }};
}

}  // namespace cli
}  // namespace velt
