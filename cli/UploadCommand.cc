// velt upload: send a finished bundle to the upload service.
#include <CLI/CLI.hpp>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "Commands.h"
#include "ConsoleSession.h"
#include "SecretInput.h"
#include "velt/platform/Terminal.h"
#include "velt/platform/TextEncoding.h"
#include "velt/upload/CVeltUploader.h"

namespace velt {
namespace cli {
namespace {

struct UploadOptions {
  std::string bundle;
  std::string user;
  std::string secretFile;
  std::string secretEnvironment;
  std::string host;
  std::string caFile;
  long timeout = 0;  // 0: the uploader's own limits
  std::string logFile;
  bool quiet = false;
};

// Prints the share sent: on a terminal one line rewritten in place, else a
// line every tenth of the bundle.
class ProgressPrinter {
 public:
  explicit ProgressPrinter(bool quiet) : m_quiet(quiet), m_terminal(platform::StandardOutputIsTerminal()) {}

  void operator()(int64_t sent, int64_t total) {
    if (m_quiet) {
      return;
    }
    const int percent = total > 0 ? static_cast<int>(sent * 100 / total) : 100;
    const int step = m_terminal ? percent : percent / 10 * 10;
    if (step == m_lastShown) {
      return;
    }
    m_lastShown = step;
    std::printf(m_terminal ? "\rSending: %3d%% (%.1f of %.1f MB)" : "Sending: %3d%% (%.1f of %.1f MB)\n",
                step, sent / 1048576.0, total / 1048576.0);
    std::fflush(stdout);
  }

  void Finish() {
    if (!m_quiet && m_terminal && m_lastShown >= 0) {
      std::printf("\n");
    }
  }

 private:
  bool m_quiet;
  bool m_terminal;
  int m_lastShown = -1;
};

// What the user can do about a failure, or nullptr when the reason says it.
const char* WhatToDo(const VELT_UPLOAD_ERROR& error) {
  switch (error.kind) {
    case VELT_UPLOAD_HTTP_STATUS:
      if (error.httpStatus == 401 || error.httpStatus == 407) {
        return "check --user and the password or token";
      }
      if (error.httpStatus == 413) {
        return "the bundle is larger than the service accepts";
      }
      return error.httpStatus >= 500 ? "the service failed; try again later" : nullptr;
    case VELT_UPLOAD_REDIRECT:
      return "give --host the upload service's own address";
    case VELT_UPLOAD_CERT_EXPIRED:
      return "the service must renew its certificate (or this machine's clock is wrong)";
    case VELT_UPLOAD_CERT_WRONG_HOST:
      return "give --host a name that the service's certificate carries";
    case VELT_UPLOAD_CERT_UNTRUSTED:
      return "name the service's CA with --ca-file FILE, or add it to the system's trust store";
    case VELT_UPLOAD_CERT_REVOKED:
      return "the service's certificate was revoked; tell its administrator";
    case VELT_UPLOAD_TIMED_OUT:
      return "check the host and the network path to it, or allow more with --timeout SECONDS";
    case VELT_UPLOAD_CONNECTION:
      return "check --host and this machine's network";
    case VELT_UPLOAD_CONNECTION_LOST:
      return "try again later; if it keeps happening, tell the service's administrator";
    case VELT_UPLOAD_BAD_ANSWER:
      return "check that --host names the upload service, or tell its administrator";
    case VELT_UPLOAD_TLS:
      return "the service must offer TLS 1.0 to 1.2 with an AES cipher suite";
    default:
      return nullptr;
  }
}

// Accepts a whole number of seconds from 1 to a day, written in decimal
// digits only, and hands it on without leading zeros (which the parser
// would otherwise read as octal).
std::string CheckSeconds(std::string& text) {
  const std::size_t digits = text.find_first_not_of('0');
  const std::string value = digits == std::string::npos ? "" : text.substr(digits);
  if (text.find_first_not_of("0123456789") != std::string::npos || value.empty() ||
      value.size() > 5 || std::stol(value) > 86400) {
    return "give a whole number of seconds from 1 to 86400, not '" + text + "'";
  }
  text = value;
  return "";
}

int RunUpload(const UploadOptions& options) {
  SecretSource source;
  source.file = options.secretFile;
  source.environmentVariable = options.secretEnvironment;
  if (source.file.empty() && source.environmentVariable.empty()) {
    source.prompt = "Password or token for " + options.user + ": ";
  }
  std::string secret;
  if (!ReadSecret(source, secret)) {
    return kExitUsage;
  }
  ConsoleSession session(options.logFile, false);
  if (!session.ok()) {
    WipeSecret(secret);
    return kExitUsage;
  }

  const std::string& bundle = options.bundle;
  ProgressPrinter printer(options.quiet);
  VELT_UPLOAD_SETTINGS settings;
  settings.host = Widen(options.host);
  settings.caFile = Widen(options.caFile);
  settings.timeoutSeconds = options.timeout;
  settings.progress = [&printer](int64_t sent, int64_t total) { printer(sent, total); };
  std::wstring password = Widen(secret);
  WipeSecret(secret);
  // The uploader itself rather than the factory's interface: its LastError
  // says why an upload failed.
  CVeltUploader uploader(Widen(bundle), Widen(options.user), password, settings);
  WipeSecret(password);

  const std::wstring host = settings.host.empty() ? CVeltUploader::DefaultHost() : settings.host;
  const std::string url = CVeltUploader::BuildUploadURL(host, Widen(bundle));
  if (!options.quiet) {
    std::printf("Uploading %s to %s\n", bundle.c_str(), url.c_str());
  }
  const long result = uploader.SendHTTP();
  printer.Finish();
  if (result != 0) {
    // The code and its description first, then the reason in plain words
    // and what to do about it.
    ReportFailure("upload", result);
    const VELT_UPLOAD_ERROR& error = uploader.LastError();
    if (!error.message.empty()) {
      std::fprintf(stderr, "velt upload: %s\n", Narrow(error.message).c_str());
    }
    if (const char* hint = WhatToDo(error)) {
      std::fprintf(stderr, "velt upload: %s\n", hint);
    }
    return kExitRunFailed;
  }
  std::printf("Uploaded %s to %s\n", bundle.c_str(), url.c_str());
  return kExitSuccess;
}

}  // namespace

Command DefineUpload(CLI::App& velt) {
  auto options = std::make_shared<UploadOptions>();
  CLI::App* app = velt.add_subcommand("upload", "send a bundle to the upload service");
  app->add_option("BUNDLE", options->bundle,
                  "the bundle to send; the service stores it as "
                  "https://HOST/home/<its file name>")
      ->required()
      ->type_name("");
  app->add_option("--user", options->user, "the account to authenticate as")
      ->required()
      ->type_name("NAME")
      ->check(CLI::Validator(
          [](const std::string& name) { return name.empty() ? "the name is empty" : ""; }, ""));
  CLI::Option* secretFile =
      app->add_option("--secret-file", options->secretFile,
                      "read the password or token from FILE (one final line end is dropped)")
          ->type_name("FILE");
  app->add_option("--secret-env", options->secretEnvironment,
                  "take the password or token from the environment variable VAR (removed from "
                  "the environment once read)")
      ->type_name("VAR")
      ->excludes(secretFile);
  app->add_option("--host", options->host,
                  "the upload service's host name or address, with an optional port "
                  "(default: " + Narrow(CVeltUploader::DefaultHost()) + ")")
      ->type_name("HOST[:PORT]");
  app->add_option("--ca-file", options->caFile,
                  "trust the CAs (and CRLs) in the PEM file FILE instead of the system's "
                  "trust store")
      ->type_name("FILE");
  app->add_option("--timeout", options->timeout,
                  "wait at most SECONDS (1 to 86400) for the connection and for any progress "
                  "(default: 60 and 120 seconds); the whole upload may take both plus a "
                  "second for every 8 KiB of the bundle")
      ->type_name("SECONDS")
      ->check(CLI::Validator(CheckSeconds, ""));
  AddLogFileOption(*app, options->logFile);
  app->add_flag("-q,--quiet", options->quiet,
                "show no progress, only errors and the address the bundle was stored at");
  app->footer(
      "The bundle is sent with one authenticated HTTPS PUT. The password or token is never "
      "taken from the command line: it is read from --secret-file or --secret-env, or typed "
      "at the terminal (without echo) when neither is given. Only a 2xx answer counts as "
      "stored; anything else fails, saying why and what to do.\n"
      "Exit status: 0 the bundle was stored, 1 the upload failed, 2 a usage error.\n"
      "Example:\n"
      "  velt upload velt-db1-20261205-153012.zip --user jdoe --secret-env VELT_TOKEN");
  return {app, [options] { return RunUpload(*options); }};
}

}  // namespace cli
}  // namespace velt
