// velt clear: shows what a clear run would delete and run, then clears only
// after the user agrees (or with --yes).
#include <CLI/CLI.hpp>

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

#include "Commands.h"
#include "ConfigCatalog.h"
#include "ConsoleSession.h"
#include "EngineRun.h"
#include "velt/platform/TextEncoding.h"

namespace velt {
namespace cli {
namespace {

struct ClearOptions {
  SessionOptions session;
  bool yes = false;
  bool includeSystemLogs = false;
  bool quiet = false;
};

// Prints what a clear run would do, entry by entry, as the run does it;
// returns the number of deletions and commands.
size_t PrintPlan(const ConfigCatalog& catalog, bool includeSystemLogs) {
  size_t actions = 0;
  for (const CatalogEntry& entry : catalog.entries()) {
    if (!entry.ClearedByRun(includeSystemLogs)) {
      continue;
    }
    std::printf("%s (%s):\n", Narrow(entry.id).c_str(), Narrow(entry.configTitle).c_str());
    for (const std::wstring& pattern : entry.clearPatterns) {
      const std::vector<ClearTarget> targets = ClearTargets(pattern);
      std::printf("  delete what matches %s (%zu now)\n", Narrow(pattern).c_str(),
                  targets.size());
      for (const ClearTarget& target : targets) {
        const std::string link =
            target.linkTarget.empty() ? "" : " -> " + target.linkTarget + " (the link only)";
        std::printf("    %s%s\n", Narrow(target.path).c_str(), link.c_str());
      }
      actions += targets.size();
    }
    for (const std::wstring& command : entry.clearCommands) {
      std::printf("  run %s\n", Narrow(command).c_str());
      ++actions;
    }
  }
  return actions;
}

int RunClear(const ClearOptions& options) {
  std::unique_ptr<ConsoleSession> session;
  EngineRequest request;
  {
    ConfigCatalog catalog;
    const int status =
        OpenConfigurations(options.session, session, request.installFolder, catalog);
    if (status >= 0) {
      return status;
    }
    std::printf("A clear run would do the following:\n");
    if (PrintPlan(catalog, options.includeSystemLogs) == 0) {
      std::printf("  nothing: no default entry is clearable on this system\n");
      return kExitSuccess;
    }
  }
  if (!options.yes) {
    std::printf("Delete these files and run these commands? Type \"yes\" to go on: ");
    std::fflush(stdout);
    std::string answer;
    if (!std::getline(std::cin, answer) || answer != "yes") {
      std::printf("Nothing was cleared.\n");
      return kExitRunFailed;
    }
  }
  request.clearMode = true;
  request.includeSystemLogs = options.includeSystemLogs;
  const std::unique_ptr<ProgressDisplay> display = ProgressDisplay::Create(
      ProgressDisplay::Choose(options.quiet, false), options.quiet);
  const RunOutcome outcome = RunEngine(request, *display);
  display->Result("clear", outcome, nullptr);
  return ExitStatus(outcome);
}

}  // namespace

Command DefineClear(CLI::App& velt) {
  auto options = std::make_shared<ClearOptions>();
  CLI::App* app = velt.add_subcommand(
      "clear", "delete the logs the configurations mark clearable, after asking");
  app->add_flag("-y,--yes", options->yes, "clear without asking (the plan is still shown)");
  app->add_flag("--include-system-logs", options->includeSystemLogs,
                "also clear the system-logs and system-log-hist entries");
  app->add_flag("-q,--quiet", options->quiet, "show no progress, only errors");
  AddSessionOptions(*app, options->session);
  app->footer(
      "A clear run acts on the entries collected by default only. The plan lists every file "
      "it would delete (a link is deleted itself, never what it points at) and every "
      "command exactly as the run starts it.");
  return {app, [options] { return RunClear(*options); }};
}

}  // namespace cli
}  // namespace velt
