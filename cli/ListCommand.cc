// velt list: the file IDs the configurations offer.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "Commands.h"
#include "ConfigCatalog.h"
#include "ConsoleSession.h"
#include "velt/engine/VeltCollectPlan.h"
#include "velt/engine/VeltEngine.h"
#include "velt/platform/TextEncoding.h"

namespace velt {
namespace cli {
namespace {

// `text` as UTF-8, padded with blanks to `width` characters (not bytes, so
// that titles outside ASCII keep the columns too).
std::string Padded(const std::wstring& text, size_t width) {
  return Narrow(text) + std::string(width > text.size() ? width - text.size() : 0, ' ');
}

// One row per entry. The ID and CONFIGURATION columns are 20 and 18
// characters wide, or as wide as their longest value, so that every column
// starts at the same place in every row.
void PrintTable(const std::vector<CatalogEntry>& entries) {
  const std::wstring kId = L"ID";
  const std::wstring kConfiguration = L"CONFIGURATION";
  size_t idWidth = 20;
  size_t titleWidth = 18;
  for (const CatalogEntry& entry : entries) {
    idWidth = std::max(idWidth, entry.id.size());
    titleWidth = std::max(titleWidth, entry.configTitle.size());
  }
  std::printf("%s %s %-7s %-5s %s\n", Padded(kId, idWidth).c_str(),
              Padded(kConfiguration, titleWidth).c_str(), "DEFAULT", "CLEAR", "DESCRIPTION");
  for (const CatalogEntry& entry : entries) {
    std::printf("%s %s %-7s %-5s %s\n", Padded(entry.id, idWidth).c_str(),
                Padded(entry.configTitle, titleWidth).c_str(),
                entry.collectedByDefault ? "yes" : "no", entry.clearedByRun ? "yes" : "no",
                Narrow(entry.description).c_str());
  }
}

}  // namespace

Command DefineList(CLI::App& velt) {
  auto options = std::make_shared<SessionOptions>();
  CLI::App* app = velt.add_subcommand("list", "list the file IDs the configurations offer");
  AddSessionOptions(*app, *options);
  app->footer(
      "DEFAULT says whether a run without --id or --request collects the ID here (the notes "
      "below the table say why one stays out); CLEAR whether "
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
            // DEFAULT is what a default run does here, as the engine decides
            // it, and the same words say why an ID stays out.
            VeltEngine planner(L"", installFolder, L"", L"", false, false);
            VeltCollectPlan collected;
            planner.planCollect(collected);
            catalog.MarkCollected(collected);
            PrintTable(catalog.entries());
            // The engine's notes on default entries it leaves out, after an
            // empty line that ends the table.
            bool first = true;
            for (const VeltCollectPlan::Remark& leftOut : collected.leftOut()) {
              std::printf("%s%s\n", first ? "\n" : "", Narrow(leftOut.text).c_str());
              first = false;
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
