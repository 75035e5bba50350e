// Feeds arbitrary bytes to the masker as a file's text, cut into windows the
// way the file masker cuts it (whole lines, with lines after the window in
// view), with every secret rule, the token shapes and the host rules in
// place. Checks what each window answers, and that masking the same text
// again with the same masker gives the same text (pseudonyms are kept).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "mask/HostRules.h"
#include "mask/MaskRules.h"
#include "mask/Pseudonyms.h"
#include "mask/SecretRules.h"
#include "mask/TextMasker.h"

namespace {

using velt::mask::KindCounts;
using velt::mask::TextMasker;

struct Masker {
  Masker() : rules(Definitions()), pseudonyms({"corp.example"}), text(rules, &pseudonyms) {
    if (!rules.ok()) __builtin_trap();
  }
  static std::vector<velt::mask::RuleDefinition> Definitions() {
    std::vector<velt::mask::RuleDefinition> rules;
    velt::mask::AppendSecretRules(rules);
    velt::mask::AppendHostRules({"web01", "web01.corp.example"}, {"corp.example"}, rules);
    return rules;
  }
  velt::mask::MaskRules rules;
  velt::mask::Pseudonyms pseudonyms;
  TextMasker text;
};

// Masks `data` window by window: `lines` whole lines to a window, `ahead`
// more lines in view.
std::string MaskAll(Masker& masker, const std::string& data, size_t lines, size_t ahead) {
  KindCounts counts{};
  std::string result;
  std::string out;
  masker.text.Reset(false);
  size_t start = 0;
  while (start < data.size()) {
    size_t end = start;
    for (size_t n = 0; n < lines && end < data.size(); ++n) {
      size_t newline = data.find('\n', end);
      end = newline == std::string::npos ? data.size() : newline + 1;
    }
    size_t textEnd = end;
    for (size_t n = 0; n < ahead && textEnd < data.size(); ++n) {
      size_t newline = data.find('\n', textEnd);
      textEnd = newline == std::string::npos ? data.size() : newline + 1;
    }
    out.clear();
    TextMasker::Result answer =
        masker.text.Mask(re2::StringPiece(data.data(), textEnd), start, end, out, counts);
    if (answer.consumed < end || answer.consumed > textEnd) __builtin_trap();
    result += answer.changed ? out : data.substr(start, answer.consumed - start);
    start = answer.consumed;
  }
  return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Masker* masker = new Masker;
  if (size < 1) return 0;
  // The first byte chooses the windows.
  size_t lines = 1 + data[0] % 8;
  size_t ahead = (data[0] / 8) % 4;
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::string once = MaskAll(*masker, text, lines, ahead);
  if (MaskAll(*masker, text, lines, ahead) != once) __builtin_trap();
  return 0;
}
