// velt upload: send a finished bundle to the upload service.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "Arguments.h"
#include "Commands.h"
#include "ConsoleSession.h"
#include "SecretInput.h"
#include "velt/platform/TextEncoding.h"
#include "velt/upload/CVeltUploader.h"
#include "velt/upload/CVeltUploaderFactory.h"

namespace velt {
namespace cli {
namespace {

const char kUsage[] =
    "usage: velt upload BUNDLE --user NAME [--secret-file FILE | --secret-env VAR]\n"
    "                   [--host HOST[:PORT]] [--ca-file FILE] [--log-file FILE] [--quiet]\n"
    "\n"
    "Sends BUNDLE with one authenticated HTTPS PUT to https://HOST/home/<bundle name>.\n"
    "The password or token is read from FILE, from the environment variable VAR, or\n"
    "typed at the terminal (without echo) when neither is named. HOST defaults to the\n"
    "service the engine was built for; --ca-file names a PEM file of trusted CAs (and\n"
    "optional CRLs) to use instead of the system's trust store.\n";

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

}  // namespace

int Upload(int argc, char** argv) {
  Arguments args(argc, argv, {"host", "user", "secret-file", "secret-env", "ca-file", "log-file"},
                 {"quiet", "help"});
  if (args.ok() && args.Has("help")) {
    std::printf("%s", kUsage);
    return 0;
  }
  if (!args.ok() || args.positional().size() != 1 || args.Get("user").empty()) {
    const std::string why = !args.ok()                      ? args.error()
                            : args.positional().size() != 1 ? "name one bundle file"
                                                            : "--user is required";
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
  settings.progress = [&printer](int64_t sent, int64_t total) { printer(sent, total); };
  std::wstring password = Widen(secret);
  WipeSecret(secret);
  std::shared_ptr<IVeltUploader> uploader =
      CVeltUploaderFactory::Create(Widen(bundle), Widen(args.Get("user")), password, settings);
  for (wchar_t& c : password) {
    c = L'\0';
  }

  const std::wstring host = settings.host.empty() ? CVeltUploader::DefaultHost() : settings.host;
  const std::string url = CVeltUploader::BuildUploadURL(host, Widen(bundle));
  if (!args.Has("quiet")) {
    std::printf("Uploading %s to %s\n", bundle.c_str(), url.c_str());
  }
  const long result = uploader->SendHTTP();
  printer.Finish();
  if (result != 0) {
    ReportFailure("upload", result);
    return 1;
  }
  std::printf("Uploaded %s to %s\n", bundle.c_str(), url.c_str());
  return 0;
}

}  // namespace cli
}  // namespace velt
