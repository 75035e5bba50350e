// velt collect: a collect-logs run into a zip bundle, checked before it
// starts, shown while it runs, and described (size, SHA-256, checksum file)
// when it ends.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "BundleTarget.h"
#include "Commands.h"
#include "ConfigCatalog.h"
#include "ConsoleSession.h"
#include "EngineRun.h"
#include "RequestFile.h"
#include "SecretInput.h"
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
};

// The requested IDs no configuration offers, listed as a usage error.
int RejectUnknownIds(const ConfigCatalog& catalog, const std::vector<std::string>& ids) {
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
  return UsageError("no configuration offers the file ID(s) " + unknown +
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
    if (status < 0) {
      status = RejectUnknownIds(catalog, options.ids);
    }
    if (status >= 0) {
      return status;
    }
  }
  BundleTarget target;
  if (!ResolveBundle(options.bundle, options.force, options.maskHosts, target)) {
    return kExitUsage;
  }
  SecretSource source;
  source.file = options.passwordFile;
  source.environmentVariable = options.passwordEnvironment;
  source.prompt = options.passwordPrompt ? "Bundle password: " : "";
  std::string password;
  if (!ReadSecret(source, password)) {
    return kExitUsage;
  }
  request.password = Widen(password);
  WipeSecret(password);

  if (!options.ids.empty()) {
    request.extras.requestDocument = Widen(RequestDocument(options.ids, options.comment));
  } else {
    // A comment alone rides on a default run.
    request.requestPath = Widen(options.request);
    request.extras.comment = Widen(options.comment);
  }
  request.bundlePath = Widen(target.path());
  request.includeSystemLogs = options.includeSystemLogs;
  request.extras.replaceBundle = options.force;
  request.extras.maskSecrets = !options.noMask;
  request.extras.maskHosts = options.maskHosts;
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
  CLI::Option* id = app->add_option("--id", options->ids,
                                    "collect this file ID instead of the defaults (repeatable; "
                                    "'velt list' shows them)")
                        ->type_name("ID")
                        ->allow_extra_args(false)
                        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
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
                "ask for the password on the terminal, without echo" + kZipEncryptionNote)
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
  app->add_option("--domain", options->domains,
                  "with --mask-hosts, also replace names in this domain (repeatable)")
      ->type_name("NAME")
      ->allow_extra_args(false)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
      ->needs(maskHosts);
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
      "  velt collect --json | jq -r 'select(.event==\"result\") | .bundle'");
  return {app, [options] { return RunCollect(*options); }};
}

}  // namespace cli
}  // namespace velt
