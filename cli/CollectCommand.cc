// velt collect: a collect-logs run into a zip bundle, checked before it
// starts, shown while it runs, and described (size, SHA-256, checksum file)
// when it ends.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "BundleTarget.h"
#include "CollectEstimate.h"
#include "Commands.h"
#include "ConfigCatalog.h"
#include "ConsoleSession.h"
#include "EngineRun.h"
#include "RequestFile.h"
#include "SecretInput.h"
#include "velt/engine/VeltCollectPlan.h"
#include "velt/engine/VeltControlText.h"
#include "velt/platform/TextEncoding.h"
#include "velt/runtime/ResultCodes.h"

namespace velt {
namespace cli {
namespace {

// Said with every password option: a bundle password keeps casual readers
// out, not attackers.
const std::string kZipEncryptionNote = "; traditional zip encryption, which is weak: see docs/zip.md";

struct CollectOptions {
  SessionOptions session;
  std::string bundle;
  bool force = false;
  std::vector<std::string> ids;
  std::string comment;
  std::string request;
  std::string passwordFile;
  std::string passwordEnvironment;
  bool passwordPrompt = false;
  bool includeSystemLogs = false;
  bool noMask = false;
  bool maskHosts = false;
  std::vector<std::string> domains;
  bool quiet = false;
  bool json = false;
  std::string since;
  std::string maxSize;
  bool estimate = false;
  unsigned timeout = 0;
  std::vector<std::string> excludeIds;
  std::string caseId;
};

// The controls as the engine reads them from text; a usage error names the
// option and why. Returns -1 when all are fine.
int ReadControls(const CollectOptions& options, VeltCollectExtras& extras) {
  const int64_t now = std::chrono::duration_cast<std::chrono::seconds>(
                          std::chrono::system_clock::now().time_since_epoch())
                          .count();
  std::wstring why;
  if (!options.since.empty() &&
      !VeltControlText::ParseSince(Widen(options.since), now, extras.since, why)) {
    return UsageError("--since: " + Narrow(why));
  }
  if (!options.maxSize.empty() &&
      !VeltControlText::ParseSize(Widen(options.maxSize), extras.maxSize, why)) {
    return UsageError("--max-size: " + Narrow(why));
  }
  if (!options.caseId.empty() && !VeltControlText::CheckCaseId(Widen(options.caseId), why)) {
    return UsageError("--case: " + Narrow(why));
  }
  extras.caseId = Widen(options.caseId);
  extras.commandTimeout = options.timeout;
  for (const std::string& id : options.excludeIds) extras.excludeIds.push_back(Widen(id));
  return -1;
}

// The requested IDs no configuration offers, listed as a usage error.
int RejectUnknownIds(const ConfigCatalog& catalog, const std::vector<std::string>& ids,
                     const char* option) {
  std::set<std::wstring> known;
  for (const CatalogEntry& entry : catalog.entries()) {
    known.insert(entry.id);
  }
  std::string unknown;
  for (const std::string& id : ids) {
    if (known.count(Widen(id)) == 0) {
      unknown += (unknown.empty() ? "" : ", ") + id;
    }
  }
  if (unknown.empty()) {
    return -1;
  }
  return UsageError(std::string(option) + ": no configuration offers the file ID(s) " + unknown +
                    "; 'velt list' shows the IDs on offer");
}

int RunCollect(const CollectOptions& options) {
  // The request is checked before the application log is set up (see
  // CheckRequestFile).
  if (!options.request.empty() && !CheckRequestFile(options.request)) {
    return kExitUsage;
  }
  std::unique_ptr<ConsoleSession> session;
  EngineRequest request;
  {
    ConfigCatalog catalog;
    int status = OpenConfigurations(options.session, session, request.installFolder, catalog);
    if (status < 0) status = RejectUnknownIds(catalog, options.ids, "--id");
    if (status < 0) status = RejectUnknownIds(catalog, options.excludeIds, "--exclude-id");
    if (status < 0) status = ReadControls(options, request.extras);
    if (status >= 0) {
      return status;
    }
  }
  if (!options.ids.empty()) {
    request.extras.requestDocument = Widen(RequestDocument(options.ids, options.comment));
  } else {
    // A comment alone rides on a default run.
    request.requestPath = Widen(options.request);
    request.extras.comment = Widen(options.comment);
  }
  request.includeSystemLogs = options.includeSystemLogs;
  request.extras.maskSecrets = !options.noMask;
  request.extras.maskHosts = options.maskHosts;
  if (options.estimate) {
    // The engine's own walk, without a bundle, a password or a run.
    VeltEngine planner(request.requestPath, request.installFolder, L"", L"", false,
                       request.includeSystemLogs);
    planner.setExtras(request.extras);
    VeltCollectPlan plan;
    const long rc = planner.planCollect(plan);
    if (rc != 0) {
      std::fprintf(stderr, "velt: collect --estimate failed: result 0x%08X %s\n",
                   static_cast<unsigned>(rc), ResultName(rc).c_str());
      return kExitRunFailed;
    }
    return PrintEstimate(plan, request.extras.maxSize, options.json);
  }
  BundleTarget target;
  if (!ResolveBundle(options.bundle, options.force, options.maskHosts, target, options.caseId)) {
    return kExitUsage;
  }
  SecretSource source;
  source.file = options.passwordFile;
  source.environmentVariable = options.passwordEnvironment;
  source.prompt = options.passwordPrompt ? "Bundle password: " : "";
  source.confirmPrompt = options.passwordPrompt ? "Repeat the bundle password: " : "";
  std::string password;
  if (!ReadSecret(source, password)) {
    return kExitUsage;
  }
  request.password = Widen(password);
  WipeSecret(password);

  request.bundlePath = Widen(target.path());
  request.extras.replaceBundle = options.force;
  for (const std::string& domain : options.domains) {
    request.extras.maskDomains.push_back(Widen(domain));
  }

  const std::unique_ptr<ProgressDisplay> display = ProgressDisplay::Create(
      ProgressDisplay::Choose(options.quiet, options.json), options.quiet);
  RunOutcome outcome = RunEngine(request, *display);
  BundleFacts facts;
  const bool written = outcome.result == 0 && outcome.signal == 0;
  if (written && !DescribeBundle(target, options.force, facts)) {
    outcome.result = VELTENGINE_ERROR_WRITE_FAILURE;
    outcome.message = L"the bundle " + Widen(target.path()) +
                      L" was written, but its checksum file could not be";
  }
  facts.hostsMap = Narrow(outcome.report.hostsMapPath);
  display->Result("collect", outcome, outcome.result == 0 ? &facts : nullptr);
  return ExitStatus(outcome);
}

}  // namespace

Command DefineCollect(CLI::App& velt) {
  auto options = std::make_shared<CollectOptions>();
  CLI::App* app = velt.add_subcommand("collect", "gather logs and command outputs into a zip bundle");
  app->add_option("-o,--bundle", options->bundle,
                  "the bundle to write: a file path (.zip is added when missing) or an "
                  "existing folder for the default name (default: "
                  "velt-<host>-<YYYYMMDD>-<HHMMSS>.zip in the current folder)")
      ->type_name("PATH");
  app->add_flag("--force", options->force,
                "replace an existing bundle and its checksum file (and host map)");
  // An option that may be given again and again, one value each time.
  auto repeatable = [app](const char* name, std::vector<std::string>& values, const char* help,
                          const char* typeName) {
    return app->add_option(name, values, help)
        ->type_name(typeName)
        ->allow_extra_args(false)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  };
  CLI::Option* id = repeatable("--id", options->ids,
                               "collect this file ID instead of the defaults (repeatable; "
                               "'velt list' shows them)",
                               "ID");
  CLI::Option* comment = app->add_option(
      "--comment", options->comment,
      "add comments.txt with TEXT to the bundle (with --id: to the requested IDs' bundle)");
  comment->type_name("TEXT");
  app->add_option("--request", options->request,
                  "collect what the request document FILE names (and its comment)")
      ->type_name("FILE")
      ->excludes(id)
      ->excludes(comment);
  CLI::Option* passwordFile =
      app->add_option("--password-file", options->passwordFile,
                      std::string("encrypt the bundle with the password in FILE (one final line "
                                  "end is dropped)") + kZipEncryptionNote)
          ->type_name("FILE");
  CLI::Option* passwordEnvironment =
      app->add_option("--password-env", options->passwordEnvironment,
                      std::string("encrypt the bundle with the password in the environment "
                                  "variable VAR (removed from the environment once read)") +
                          kZipEncryptionNote)
          ->type_name("VAR")
          ->excludes(passwordFile);
  app->add_flag("--password-prompt", options->passwordPrompt,
                "ask for the password on the terminal, without echo, twice" + kZipEncryptionNote)
      ->excludes(passwordFile)
      ->excludes(passwordEnvironment);
  app->add_flag("--include-system-logs", options->includeSystemLogs,
                "also collect system-logs and system-log-hist in a default run");
  app->add_flag("--no-mask", options->noMask,
                "keep passwords, keys and tokens in the collected files (masked by default)");
  CLI::Option* maskHosts = app->add_flag(
      "--mask-hosts", options->maskHosts,
      "replace host names, domains and addresses by consistent pseudonyms; the mapping is "
      "written beside the bundle as <bundle>.hosts-map.txt");
  repeatable("--domain", options->domains,
             "with --mask-hosts, also replace names in this domain (repeatable)", "NAME")
      ->needs(maskHosts);
  repeatable("--exclude-id", options->excludeIds,
             "leave this file ID out of the run (repeatable; with the defaults or --id)", "ID");
  app->add_option("--since", options->since,
                  "collect only what changed since WHEN: a span back from now (2d, 12h, 30m, 1w) "
                  "or a local date (2026-12-05, '2026-12-05 15:30'); the journal starts there and "
                  "files a wildcard matches are left out when last modified before it")
      ->type_name("WHEN");
  app->add_option("--max-size", options->maxSize,
                  "keep the collected files within SIZE before compression (500M, 1.5G; K, M, G, "
                  "T are powers of 1024): the largest are cut to their newest part, and the "
                  "summary says which and by how much")
      ->type_name("SIZE");
  app->add_option("--timeout", options->timeout,
                  "stop each command after SECONDS (default 1200); the summary notes each one "
                  "that was killed")
      ->type_name("SECONDS")
      ->check(CLI::Range(1u, 86400u));
  app->add_option("--case", options->caseId,
                  "a case or ticket ID (letters, digits, '.', '_', '-'): in the default bundle "
                  "name, summary.txt and manifest.json")
      ->type_name("ID");
  app->add_flag("--estimate", options->estimate,
                "only show what would be collected (IDs, files with their sizes, commands, the "
                "expected size); collect nothing and write no bundle");
  app->add_flag("-q,--quiet", options->quiet, "show no progress, only errors and the bundle path");
  app->add_flag("--json", options->json,
                "print JSON Lines on standard output: one object per progress post, then one "
                "with the result (see velt(1))");
  AddSessionOptions(*app, options->session);
  app->footer(
      "Exit status: 0 the bundle was written, 1 the run failed, 2 a usage error, 128+N "
      "stopped by signal N (the run's temporary files are removed first).\n"
      "Examples:\n"
      "  velt collect -o /tmp/\n"
      "  velt collect --id network-config --comment 'VPN drops at 9:00'\n"
      "  velt collect --since 2d --max-size 200M --case CS-1234 --estimate\n"
      "  velt collect --json | jq -r 'select(.event==\"result\") | .bundle'");
  return {app, [options] { return RunCollect(*options); }};
}

}  // namespace cli
}  // namespace velt
