// The compiled patterns of one masker: every rule as its own regular
// expression (to find where it matches) and all of them in one set (to learn
// in one pass over a block of text which rules match in it at all). The
// token shapes join the set as one rule, the pattern of the places where a
// token may stand; where it matches, the token scanner runs.
#pragma once

#include <re2/re2.h>
#include <re2/set.h>

#include <memory>
#include <string>
#include <vector>

#include "mask/LineBlocks.h"
#include "mask/MaskKind.h"
#include "mask/TokenScanner.h"

namespace velt {
namespace mask {

// What a match of a rule turns into.
enum class RuleAction {
  kMaskGroups,  // every capture group except the setting name "k" is masked
  kMaskToken,   // group 1 is masked when it looks like a token (not a word)
  kMaskWord,    // as kMaskGroups, but a word of prose ("combination.") stays
  kJsonMap,     // every string value in group 1, a one-line JSON object
  kBlockBegin,  // the marker that opens a block of lines (LineBlocks)
  kBlockEnd,    // the marker that ends a key block
  kTokens,      // the token scanner's lead (the pattern is left empty)
  kIpv4,        // an IPv4 address, pseudonymised
  kIpv6,        // where an IPv6 address may be; its extent is found around the match
  kMac,         // a MAC address, pseudonymised
  kHostName,    // a host name of this machine or under a given domain, pseudonymised
};

struct RuleDefinition {
  MaskKind kind;
  RuleAction action;
  std::string pattern;  // RE2 syntax
  BlockType block = BlockType::kKey;
};

struct MaskRule {
  MaskKind kind;
  RuleAction action;
  std::unique_ptr<RE2> regex;
  int keyGroup = 0;  // index of the group named "k", 0 when there is none
  BlockType block = BlockType::kKey;
};

class MaskRules {
 public:
  explicit MaskRules(const std::vector<RuleDefinition>& rules);
  MaskRules(const MaskRules&) = delete;
  MaskRules& operator=(const MaskRules&) = delete;

  // False when a pattern did not compile (logged).
  bool ok() const { return m_ok; }
  size_t size() const { return m_rules.size(); }
  const MaskRule& operator[](size_t index) const { return m_rules[index]; }
  // The scanner of the kTokens rule; null without one.
  const TokenScanner* tokens() const { return m_tokens.get(); }

  // The indices of the rules that match somewhere in `text`, in no order;
  // every rule when the set could not decide (its memory ran out).
  void Candidates(const re2::StringPiece& text, std::vector<int>& found) const;

 private:
  std::vector<MaskRule> m_rules;
  std::unique_ptr<RE2::Set> m_set;
  std::unique_ptr<TokenScanner> m_tokens;
  bool m_ok = true;
};

}  // namespace mask
}  // namespace velt
