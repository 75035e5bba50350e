#include "velt/mask/BundleMasker.h"

#include <algorithm>
#include <cstdint>
#include <memory>

#include "mask/FileMasker.h"
#include "mask/HostRules.h"
#include "mask/MaskRules.h"
#include "mask/MaskKind.h"
#include "mask/MaskTally.h"
#include "mask/Pseudonyms.h"
#include "mask/SecretRules.h"
#include "mask/TextMasker.h"
#include "platform/PartialFile.h"
#include "platform/HostNames.h"
#include "platform/File.h"
#include "platform/SystemError.h"
#include "velt/platform/TextEncoding.h"
#include "velt/runtime/CAppLog.h"
#include "velt/runtime/ResultCodes.h"

namespace velt {
namespace mask {

namespace {

void AddName(const std::string& name, std::vector<std::string>& names) {
  std::string normal = NormalName(name);
  if (!normal.empty() && std::find(names.begin(), names.end(), normal) == names.end()) {
    names.push_back(normal);
  }
}

std::vector<RuleDefinition> Definitions(const MaskOptions& options,
                                        std::vector<std::string>& domains) {
  std::vector<RuleDefinition> rules;
  if (options.secrets) {
    AppendSecretRules(rules);
  }
  if (options.hosts) {
    std::vector<std::string> own;
    for (const std::string& name : platform::OwnHostNames()) {
      AddName(name, own);
      AddName(name.substr(0, name.find('.')), own);
    }
    for (const std::wstring& domain : options.domains) {
      AddName(Narrow(domain), domains);
    }
    AppendHostRules(own, domains, rules);
  }
  return rules;
}

// Writes the "original -> pseudonym" lines, 64 KiB at a time, to a partial
// file beside `path` (mode 0600, never through a link) and gives it the
// name `path` when it is complete, replacing what is there only when
// `replace` (a link itself, never what it points at). A file not written in
// full is removed. 0 or the error number.
int WriteMappingFile(const std::string& path, const Pseudonyms& pseudonyms, bool replace) {
  platform::PartialFile partial;
  int error = partial.Create(path);
  if (error != 0) {
    return error;
  }
  platform::File& file = partial.file();
  std::string text = "# original -> pseudonym\n";
  uint64_t written = 0;
  auto flush = [&file, &text, &written, &error] {
    error = file.WriteAt(text.data(), text.size(), written);
    written += text.size();
    text.clear();
    return error == 0;
  };
  pseudonyms.Mapping([&text, &flush](const std::string& line) {
    text += line + "\n";
    return text.size() < 64 * 1024 || flush();
  });
  if (error == 0) {
    flush();
  }
  return error != 0 ? error : partial.Commit(replace);
}

}  // namespace

// Everything one run's masker holds.
class MaskState {
 public:
  explicit MaskState(const MaskOptions& options)
      : options(options),
        rules(Definitions(options, domains)),
        pseudonyms(options.hosts ? new Pseudonyms(domains) : nullptr),
        text(rules, pseudonyms.get()),
        file(text) {}

  MaskOptions options;
  std::vector<std::string> domains;
  MaskRules rules;
  std::unique_ptr<Pseudonyms> pseudonyms;
  TextMasker text;
  FileMasker file;
  MaskTally tally;
};

}  // namespace mask

BundleMasker::BundleMasker(MaskOptions options) : m_state(new mask::MaskState(options)) {}

BundleMasker::~BundleMasker() = default;

long BundleMasker::MaskFile(const std::wstring& path, const std::wstring& shownName) {
  std::map<std::string, unsigned long long> replaced;
  return MaskFile(path, shownName, replaced);
}

long BundleMasker::MaskFile(const std::wstring& path, const std::wstring& shownName,
                            std::map<std::string, unsigned long long>& replaced) {
  replaced.clear();
  std::string narrow = Narrow(path);
  if (!m_state->rules.ok()) {
    VELT_LOG_MESSAGE('E', "Cannot mask %s: the masking patterns did not compile", narrow.c_str());
    m_state->tally.AddNotScanned(shownName, L"could not be masked");
    return VELTENGINE_ERROR_INTERNAL;
  }
  // Masking never follows a link: the link itself is refused.
  platform::File source;
  int error = source.Open(narrow, false);
  if (error != 0) {
    const platform::ErrorKind kind = platform::ErrorKindOf(error);
    std::string reason = kind == platform::ErrorKind::kIsALink ? "it is a symbolic link"
                         : kind == platform::ErrorKind::kInvalid ||
                                 kind == platform::ErrorKind::kIsAFolder
                             ? "it is not a regular file"
                             : platform::SystemErrorText(error);
    VELT_LOG_MESSAGE('E', "Cannot mask %s: %s", narrow.c_str(), reason.c_str());
    m_state->tally.AddNotScanned(shownName, L"could not be read");
    return kind == platform::ErrorKind::kNotFound ? VELTENGINE_ERROR_FILE_NOT_FOUND
                                                  : VELTENGINE_ERROR_FILE_OPEN_FAILURE;
  }
  mask::KindCounts counts{};
  mask::FileMasker::Outcome outcome;
  long result = m_state->file.Run(narrow, source, counts, outcome);
  if (result != 0) {
    m_state->tally.AddNotScanned(shownName, L"could not be masked");
  } else if (outcome == mask::FileMasker::Outcome::kBinary) {
    m_state->tally.AddNotScanned(shownName, L"binary file");
  } else {
    m_state->tally.AddScanned(shownName, counts);
    for (size_t kind = 0; kind < mask::kMaskKindCount; ++kind) {
      if (counts[kind] != 0) {
        replaced[mask::KindKey(static_cast<mask::MaskKind>(kind))] = counts[kind];
      }
    }
  }
  return result;
}

std::vector<std::wstring> BundleMasker::SummaryNote() const {
  return m_state->tally.Note(m_state->options.secrets, m_state->options.hosts);
}

long BundleMasker::WriteMapping(const std::wstring& path) const {
  std::wstring reason;
  return WriteMapping(path, false, reason);
}

long BundleMasker::WriteMapping(const std::wstring& path, bool replace,
                                std::wstring& reason) const {
  reason.clear();
  if (!m_state->pseudonyms) {
    return 0;
  }
  std::string narrow = Narrow(path);
  int error = mask::WriteMappingFile(narrow, *m_state->pseudonyms, replace);
  if (error != 0) {
    const bool taken = platform::ErrorKindOf(error) == platform::ErrorKind::kExists;
    const std::string why =
        taken ? "the name is taken (by a file or a link)" : platform::SystemErrorText(error);
    VELT_LOG_MESSAGE('E', "Cannot write the pseudonym mapping %s: %s", narrow.c_str(), why.c_str());
    reason = Widen("cannot write the pseudonym mapping " + narrow + ": " + why);
    return taken ? VELTENGINE_ERROR_ACCESS_DENIED : VELTENGINE_ERROR_WRITE_FAILURE;
  }
  return 0;
}

}  // namespace velt
