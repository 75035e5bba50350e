#include "ProgressDisplay.h"

#include <nlohmann/json.hpp>
#include <openssl/evp.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "velt/control/VeltThread.h"
#include "velt/platform/ConsoleOutput.h"
#include "velt/platform/SignalName.h"
#include "velt/platform/Terminal.h"
#include "velt/platform/TextEncoding.h"
#include "velt/runtime/CAppLog.h"

namespace velt {
namespace cli {
namespace {

using Json = nlohmann::ordered_json;

// "m:ss", or "h:mm:ss" from an hour on.
std::string Clock(double elapsed) {
  const long seconds = static_cast<long>(elapsed);
  char text[32];
  if (seconds >= 3600) {
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
  } else {
    std::snprintf(text, sizeof text, "%ld:%02ld", seconds / 60, seconds % 60);
  }
  return text;
}

// A status line as one line of text: control characters (a line break in a
// configured description) become blanks.
std::string OneLine(std::wstring text) {
  std::replace_if(text.begin(), text.end(), [](wchar_t c) { return c < L' ' || c == 0x7f; }, L' ');
  return Narrow(text);
}

// What a successful run left out or changed, and what the bundle lacks
// without root, on standard error in every style.
void PrintDropped(const RunOutcome& outcome) {
  const VeltCollectReport& report = outcome.report;
  if (outcome.result != 0 || outcome.signal != 0) {
    return;
  }
  if (report.droppedForSpace != 0) {
    std::fprintf(stderr,
                 "velt: %u file(s) were left out of the bundle for lack of space in %s; "
                 "summary.txt lists them\n",
                 report.droppedForSpace, Narrow(report.temporaryFolder).c_str());
  }
  if (report.unprivileged) {
    std::fprintf(stderr,
                 "velt: collected without root privileges: %u file(s) could not be read and "
                 "commands only root may run are missing (summary.txt says which); run velt "
                 "collect as root for the whole picture\n",
                 report.deniedForPermission);
  }
  if (report.leftOutByWindow != 0) {
    std::fprintf(stderr, "velt: %u file(s) last modified before --since were left out\n",
                 report.leftOutByWindow);
  }
  if (report.cutForBudget != 0) {
    std::fprintf(stderr,
                 "velt: %u file(s) were cut to their newest part to stay within --max-size "
                 "(%.0f bytes in all; summary.txt names them)\n",
                 report.cutForBudget, report.bytesCut);
  }
  if (report.commandsFailed != 0) {
    std::fprintf(stderr,
                 "velt: %u command(s) exited with a failure status or were killed; "
                 "summary.txt notes each, so that their output is not taken for data\n",
                 report.commandsFailed);
  }
}

// What every human style prints at the end: failures and stops on standard
// error, the bundle (or only its path when quiet) on standard output.
void PrintHumanResult(const char* command, const RunOutcome& outcome, const BundleFacts* bundle,
                      bool quiet) {
  const VeltCollectReport& report = outcome.report;
  PrintDropped(outcome);
  if (outcome.signal != 0) {
    std::fprintf(stderr, "velt: %s stopped by %s; the run's temporary files were removed\n",
                 command, platform::StopSignalName(outcome.signal).c_str());
    return;
  }
  if (outcome.result != 0) {
    const unsigned code = static_cast<uint32_t>(outcome.result);
    std::fprintf(stderr, "velt: %s failed: %s\n", command, Narrow(outcome.message).c_str());
    if (!report.failure.empty()) {
      std::fprintf(stderr, "velt: %s\n", Narrow(report.failure).c_str());
    }
    std::fprintf(stderr,
                 "velt: result 0x%08X %s: %s\n"
                 "velt: the application log (syslog identity velt, or --log-file) says why\n",
                 code, ResultName(outcome.result).c_str(), ResultDescription(outcome.result).c_str());
    return;
  }
  if (bundle == nullptr) {
    if (!quiet) {
      WriteOut(std::string(command) == "clear" ? "Cleared.\n" : "Done.\n");
    }
    return;
  }
  if (quiet) {
    WriteOut(bundle->path + "\n");
    return;
  }
  char size[32];
  std::snprintf(size, sizeof size, "%" PRIu64, bundle->size);
  WriteOut("Bundle:   " + bundle->path + "\nSize:     " + size + " bytes\nSHA-256:  " +
           bundle->sha256 + "\nChecksum: " + bundle->checksumFile + "\n" +
           (bundle->hostsMap.empty() ? "" : "Host map: " + bundle->hostsMap + "\n"));
}

void PrintStopping(int signalNumber) {
  std::fprintf(stderr, "velt: %s received: stopping the run and removing its temporary files\n",
               platform::StopSignalName(signalNumber).c_str());
}

// One line redrawn in place with carriage returns, padded to the terminal's
// width so that a shorter line covers a longer one.
class TerminalDisplay : public ProgressDisplay {
 public:
  bool Progress(const PROGRESSSTATUS& record, double elapsed) override {
    m_percent = Shown(record.percent);
    if (!record.status.empty()) {
      m_status = record.status;
    }
    return Draw(elapsed);
  }
  bool Tick(double elapsed) override { return m_drawn ? Draw(elapsed) : true; }
  void Stopping(int signalNumber) override {
    EndLine();
    PrintStopping(signalNumber);
  }
  void Result(const char* command, const RunOutcome& outcome,
              const BundleFacts* bundle) override {
    EndLine();
    PrintHumanResult(command, outcome, bundle, false);
  }

 private:
  static size_t Width() {
    const size_t columns = platform::StandardOutputColumns();
    return columns > 0 ? columns : 80;
  }

  bool Draw(double elapsed) {
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, " %3u%% %5s", m_percent, Clock(elapsed).c_str());
    // The last column stays free: writing into it wraps on some terminals.
    const size_t room = std::max<size_t>(Width(), 20) - 1 - std::strlen(suffix);
    std::wstring text = m_status;
    if (text.size() > room) {
      text = text.substr(0, room - 3) + L"...";
    }
    text.resize(room, L' ');
    m_drawn = true;
    return WriteOut("\r" + OneLine(text) + suffix);
  }

  void EndLine() {
    if (m_drawn) {
      WriteOut("\n");
      m_drawn = false;
    }
  }

  std::wstring m_status;
  unsigned m_percent = 0;
  bool m_drawn = false;
};

// One line per change of the status text, for pipes and log files.
class LinesDisplay : public ProgressDisplay {
 public:
  explicit LinesDisplay(bool quiet) : m_quiet(quiet) {}

  bool Progress(const PROGRESSSTATUS& record, double) override {
    const unsigned percent = Shown(record.percent);
    if (m_quiet || record.status.empty() || record.status == m_status) {
      return true;
    }
    m_status = record.status;
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "%3u%% ", percent);
    return WriteOut(prefix + OneLine(m_status) + "\n");
  }
  void Stopping(int signalNumber) override { PrintStopping(signalNumber); }
  void Result(const char* command, const RunOutcome& outcome,
              const BundleFacts* bundle) override {
    PrintHumanResult(command, outcome, bundle, m_quiet);
  }

 private:
  bool m_quiet;
  std::wstring m_status;
};

// JSON Lines on standard output; human messages still go to standard error.
class JsonDisplay : public ProgressDisplay {
 public:
  explicit JsonDisplay(bool quiet) : m_quiet(quiet) {}

  bool Progress(const PROGRESSSTATUS& record, double elapsed) override {
    const unsigned percent = Shown(record.percent);
    if (m_quiet) {
      return true;
    }
    Json line;
    line["event"] = "progress";
    line["percent"] = percent;
    line["status"] = Narrow(record.status);
    line["elapsed"] = static_cast<int64_t>(elapsed * 1000) / 1000.0;
    return Emit(line);
  }
  void Stopping(int signalNumber) override {
    PrintStopping(signalNumber);
    Json line;
    line["event"] = "stopping";
    line["signal"] = platform::StopSignalName(signalNumber);
    Emit(line);
  }
  void Result(const char* command, const RunOutcome& outcome,
              const BundleFacts* bundle) override {
    if (outcome.signal != 0 || outcome.result != 0) {
      PrintHumanResult(command, outcome, bundle, true);
    }
    PrintDropped(outcome);
    Json line;
    line["event"] = "result";
    line["command"] = command;
    line["code"] = static_cast<uint32_t>(outcome.result);
    line["name"] = ResultName(outcome.result);
    line["description"] = ResultDescription(outcome.result);
    line["message"] = Narrow(outcome.message);
    line["signal"] =
        outcome.signal != 0 ? Json(platform::StopSignalName(outcome.signal)) : Json(nullptr);
    line["detail"] = Narrow(outcome.report.failure);
    AddPath(line, "bundle", bundle != nullptr ? &bundle->path : nullptr);
    line["size"] = bundle != nullptr ? Json(bundle->size) : Json(nullptr);
    line["sha256"] = bundle != nullptr ? Json(bundle->sha256) : Json(nullptr);
    AddPath(line, "checksum_file", bundle != nullptr ? &bundle->checksumFile : nullptr);
    AddPath(line, "hosts_map",
            bundle != nullptr && !bundle->hostsMap.empty() ? &bundle->hostsMap : nullptr);
    line["dropped_for_space"] = outcome.report.droppedForSpace;
    line["unprivileged"] = outcome.report.unprivileged;
    line["denied_for_permission"] = outcome.report.deniedForPermission;
    line["left_out_by_window"] = outcome.report.leftOutByWindow;
    line["cut_for_budget"] = outcome.report.cutForBudget;
    line["bytes_cut"] = static_cast<uint64_t>(outcome.report.bytesCut);
    line["commands_failed"] = outcome.report.commandsFailed;
    Emit(line);
  }

 private:
  // `key` with the path as text (bytes that are not UTF-8 shown as U+FFFD)
  // and `key`_bytes with its exact bytes in base64; both null without one.
  static void AddPath(Json& line, const std::string& key, const std::string* path) {
    line[key] = path != nullptr ? Json(*path) : Json(nullptr);
    line[key + "_bytes"] = path != nullptr ? Json(Base64(*path)) : Json(nullptr);
  }

  static std::string Base64(const std::string& bytes) {
    std::vector<unsigned char> text(4 * ((bytes.size() + 2) / 3) + 1);
    const int length = EVP_EncodeBlock(text.data(),
                                       reinterpret_cast<const unsigned char*>(bytes.data()),
                                       static_cast<int>(bytes.size()));
    return std::string(reinterpret_cast<const char*>(text.data()), static_cast<size_t>(length));
  }

  static bool Emit(const Json& line) {
    // Bytes that are not UTF-8 (a file name in another encoding) become
    // U+FFFD, so every line stays valid JSON.
    return WriteOut(line.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n");
  }

  bool m_quiet;
};

}  // namespace

ProgressDisplay::Style ProgressDisplay::Choose(bool quiet, bool json) {
  if (json) {
    return Style::kJson;
  }
  if (quiet) {
    return Style::kQuiet;
  }
  return platform::StandardOutputIsTerminal() ? Style::kTerminal : Style::kLines;
}

std::unique_ptr<ProgressDisplay> ProgressDisplay::Create(Style style, bool quiet) {
  switch (style) {
    case Style::kTerminal:
      return std::make_unique<TerminalDisplay>();
    case Style::kJson:
      return std::make_unique<JsonDisplay>(quiet);
    case Style::kLines:
    case Style::kQuiet:
      break;
  }
  return std::make_unique<LinesDisplay>(style == Style::kQuiet);
}

unsigned ProgressDisplay::Shown(unsigned percent) {
  m_shown = std::max(m_shown, std::min(percent, 100u));
  return m_shown;
}

std::string ResultName(long code) {
  if (code == 0) {
    return "SUCCESS";
  }
  const std::string described = CAppLog::DescribeCode(static_cast<uint32_t>(code));
  return described.substr(0, described.find(':'));
}

std::string ResultDescription(long code) {
  if (code == 0) {
    return "Success";
  }
  const std::string described = CAppLog::DescribeCode(static_cast<uint32_t>(code));
  const size_t colon = described.find(':');
  return colon == std::string::npos ? described : described.substr(colon + 1);
}

bool WriteOut(const std::string& text) {
  return platform::WriteStandardOutput(text) != platform::OutputWrite::kNoReader;
}

}  // namespace cli
}  // namespace velt
