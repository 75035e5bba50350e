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
#include "velt/engine/VeltClearPlan.h"
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

// Prints what the plan of a clear run does, entry by entry, as the run does
// it; returns the number of deletions and commands.
size_t PrintPlan(const VeltClearPlan& plan) {
  size_t actions = 0;
  for (const VeltClearPlan::Entry& entry : plan.entries()) {
    if (entry.steps.empty()) {
      continue;
    }
    std::printf("%s (%s):\n", Narrow(entry.fileID).c_str(), Narrow(entry.configTitle).c_str());
    for (const VeltClearPlan::Step& step : entry.steps) {
      if (step.isCommand) {
        std::printf("  run %s\n", Narrow(step.command).c_str());
        ++actions;
        continue;
      }
      if (!step.refused.empty()) {
        std::printf("  delete what matches %s (nothing: %s)\n", Narrow(step.pattern).c_str(),
                    Narrow(step.refused).c_str());
        continue;
      }
      std::printf("  delete what matches %s (%zu now)\n", Narrow(step.pattern).c_str(),
                  step.deletions.size());
      for (const VeltClearPlan::Deletion& deletion : step.deletions) {
        const std::string link = deletion.linkTarget.empty()
                                     ? ""
                                     : " -> " + Narrow(deletion.linkTarget) + " (the link only)";
        std::printf("    %s%s\n", Narrow(deletion.path).c_str(), link.c_str());
      }
      actions += step.deletions.size();
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
  }
  // The plan is the engine's own: the run below carries out exactly this
  // plan, from the folders opened for it.
  VeltClearPlan plan;
  if (PlanClear(request.installFolder, options.includeSystemLogs, plan) != 0) {
    std::fprintf(stderr,
                 "velt: clear: no configuration could be read; the application log says why\n");
    return kExitRunFailed;
  }
  std::printf("A clear run would do the following:\n");
  if (PrintPlan(plan) == 0) {
    std::printf("  nothing: no default entry is clearable on this system\n");
    return kExitSuccess;
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
  request.clearPlan = &plan;
  const std::unique_ptr<ProgressDisplay> display = ProgressDisplay::Create(
      ProgressDisplay::Choose(options.quiet, false), options.quiet);
  const RunOutcome outcome = RunEngine(request, *display);
  display->Result("clear", outcome, nullptr);
  for (const VeltClearPlan::Skipped& skipped : plan.skipped()) {
    std::fprintf(stderr, "velt: clear: not deleted: %s: %s\n", Narrow(skipped.path).c_str(),
                 Narrow(skipped.reason).c_str());
  }
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
      "command exactly as the run starts it; the run then deletes only what the plan listed, "
      "and names what changed meanwhile instead of deleting it.");
  return {app, [options] { return RunClear(*options); }};
}

}  // namespace cli
}  // namespace velt
