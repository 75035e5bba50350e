// Masks every regular file under a folder in place with the engine's
// masker, for bench/mask_bench.sh to time against sed:
//   mask_bench <folder> [--hosts] [--domain NAME]... [--mapping FILE] [--log FILE]
// Prints the files masked, the first failure and the wall time; exits
// non-zero when a file could not be masked.
//   mask_bench --patterns [--hosts] [--domain NAME]...
// Prints the masker's patterns, one a line (its rules and its token
// shapes), for the script to give sed as many.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "mask/HostRules.h"
#include "mask/SecretRules.h"
#include "mask/TokenShapes.h"
#include "velt/mask/BundleMasker.h"
#include "velt/platform/TextEncoding.h"
#include "velt/runtime/CAppLog.h"
#include "velt/runtime/CFileLogger.h"

namespace {

int PrintPatterns(const velt::MaskOptions& options) {
  std::vector<velt::mask::RuleDefinition> rules;
  velt::mask::AppendSecretRules(rules);
  if (options.hosts) {
    std::vector<std::string> domains;
    for (const std::wstring& domain : options.domains) {
      domains.push_back(velt::mask::NormalName(velt::Narrow(domain)));
    }
    velt::mask::AppendHostRules({}, domains, rules);
  }
  for (const velt::mask::RuleDefinition& rule : rules) {
    if (rule.action != velt::mask::RuleAction::kTokens) {
      std::printf("%s\n", rule.pattern.c_str());
    }
  }
  size_t count = 0;
  const velt::mask::TokenShape* shapes = velt::mask::TokenShapes(count);
  for (size_t index = 0; index < count; ++index) {
    std::printf("%s\n", shapes[index].pattern);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr,
                 "usage: %s <folder>|--patterns [--hosts] [--domain NAME]... [--mapping FILE] "
                 "[--log FILE]\n",
                 argv[0]);
    return 2;
  }
  std::string logFile;
  for (int i = 2; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--log") == 0) {
      logFile = argv[i + 1];
    }
  }
  long logResult = 0;
  CAppLog log(logResult, "mask_bench", logFile.empty() ? nullptr : new CFileLogger(logFile));
  velt::MaskOptions options;
  std::string mapping;
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--hosts") == 0) {
      options.hosts = true;
    } else if (std::strcmp(argv[i], "--domain") == 0 && i + 1 < argc) {
      options.domains.push_back(velt::Widen(argv[++i]));
    } else if (std::strcmp(argv[i], "--mapping") == 0 && i + 1 < argc) {
      mapping = argv[++i];
    }
  }
  if (std::strcmp(argv[1], "--patterns") == 0) {
    return PrintPatterns(options);
  }
  // Listed first, so that the masked copies written beside them are not met again.
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(argv[1])) {
    if (entry.is_regular_file() && !entry.is_symlink()) {
      files.push_back(entry.path());
    }
  }
  std::sort(files.begin(), files.end());
  auto start = std::chrono::steady_clock::now();
  velt::BundleMasker masker(options);
  long failure = 0;
  for (const auto& file : files) {
    long result =
        masker.MaskFile(velt::Widen(file.string()), velt::Widen(file.filename().string()));
    failure = failure != 0 ? failure : result;
  }
  if (!mapping.empty()) {
    std::filesystem::remove(mapping);
    failure = failure != 0 ? failure : masker.WriteMapping(velt::Widen(mapping));
  }
  auto elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("files=%zu result=%ld seconds=%.3f\n", files.size(), failure, elapsed);
  std::vector<std::wstring> note = masker.SummaryNote();
  if (note.size() > 1) {
    std::printf("%s\n", velt::Narrow(note[1]).c_str());
  }
  return failure == 0 ? 0 : 1;
}
