// velt upload: send a finished bundle to the upload service.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Arguments.h"
#include "Commands.h"
#include "ConsoleSession.h"
#include "SecretInput.h"
#include "velt/platform/TextEncoding.h"
#include "velt/upload/CVeltUploader.h"

namespace velt {
namespace cli {
namespace {

const char kUsage[] =
    "usage: velt upload BUNDLE --user NAME [--secret-file FILE | --secret-env VAR]\n"
    "                   [--host HOST[:PORT]] [--ca-file FILE] [--timeout SECONDS]\n"
    "                   [--log-file FILE] [--quiet]\n"
    "\n"
    "Sends BUNDLE with one authenticated HTTPS PUT to https://HOST/home/<bundle name>.\n"
    "The password or token is read from FILE, from the environment variable VAR, or\n"
    "typed at the terminal (without echo) when neither is named. HOST defaults to the\n"
    "service the engine was built for; --ca-file names a PEM file of trusted CAs (and\n"
    "optional CRLs) to use instead of the system's trust store. --timeout limits the\n"
    "wait for the connection and for any progress (default 60 and 120 seconds).\n"
    "Only a 2xx answer counts as stored; anything else fails, saying why.\n";

// Prints the share sent: on a terminal one line rewritten in place, else a
// line every tenth of the bundle.
class ProgressPrinter {
 public:
  explicit ProgressPrinter(bool quiet) : m_quiet(quiet), m_terminal(isatty(1) != 0) {}

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
    case VELT_UPLOAD_TLS:
      return "the service must offer TLS 1.0 to 1.2 with an AES cipher suite";
    default:
      return nullptr;
  }
}

// A whole number of seconds from 1 to a day, or 0.
long ParseSeconds(const std::string& text) {
  char* end = nullptr;
  const long seconds = std::strtol(text.c_str(), &end, 10);
  return !text.empty() && *end == '\0' && seconds >= 1 && seconds <= 86400 ? seconds : 0;
}

}  // namespace

int Upload(int argc, char** argv) {
  Arguments args(argc, argv,
                 {"host", "user", "secret-file", "secret-env", "ca-file", "timeout", "log-file"},
                 {"quiet", "help"});
  if (args.ok() && args.Has("help")) {
    std::printf("%s", kUsage);
    return 0;
  }
  const long timeout = args.Has("timeout") ? ParseSeconds(args.Get("timeout")) : 0;
  if (!args.ok() || args.positional().size() != 1 || args.Get("user").empty() ||
      (args.Has("timeout") && timeout == 0)) {
    const std::string why = !args.ok()                      ? args.error()
                            : args.positional().size() != 1 ? "name one bundle file"
                            : args.Get("user").empty()      ? "--user is required"
                                                            : "--timeout takes 1 to 86400 seconds";
    std::fprintf(stderr, "velt upload: %s\n%s", why.c_str(), kUsage);
    return 2;
  }
  SecretSource source;
  source.file = args.Get("secret-file");
  source.environmentVariable = args.Get("secret-env");
  if (source.file.empty() && source.environmentVariable.empty()) {
    source.prompt = "Password or token for " + args.Get("user") + ": ";
  }
  std::string secret;
  if (!ReadSecret(source, secret)) {
    return 2;
  }
  ConsoleSession session(args.Get("log-file"), false);
  if (!session.ok()) {
    WipeSecret(secret);
    return 2;
  }

  const std::string bundle = args.positional().front();
  ProgressPrinter printer(args.Has("quiet"));
  VELT_UPLOAD_SETTINGS settings;
  settings.host = Widen(args.Get("host"));
  settings.caFile = Widen(args.Get("ca-file"));
  settings.timeoutSeconds = timeout;
  settings.progress = [&printer](int64_t sent, int64_t total) { printer(sent, total); };
  std::wstring password = Widen(secret);
  WipeSecret(secret);
  // The uploader itself rather than the factory's interface: its LastError
  // says why an upload failed.
  CVeltUploader uploader(Widen(bundle), Widen(args.Get("user")), password, settings);
  for (wchar_t& c : password) {
    c = L'\0';
  }

  const std::wstring host = settings.host.empty() ? CVeltUploader::DefaultHost() : settings.host;
  const std::string url = CVeltUploader::BuildUploadURL(host, Widen(bundle));
  if (!args.Has("quiet")) {
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
    return 1;
  }
  std::printf("Uploaded %s to %s\n", bundle.c_str(), url.c_str());
  return 0;
}

}  // namespace cli
}  // namespace velt
