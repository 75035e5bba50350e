#include "mask/MaskRules.h"

#include "velt/runtime/CAppLog.h"

namespace velt {
namespace mask {

namespace {

// Memory for the automata: the set's is shared by all rules and scans every
// byte; a single rule runs only where the set found it. Past these budgets
// RE2 empties its caches and goes on, so memory stays bounded.
constexpr int64_t kSetMemory = 16 << 20;
constexpr int64_t kRuleMemory = 2 << 20;

RE2::Options Options(int64_t memory) {
  RE2::Options options;
  options.set_max_mem(memory);
  options.set_log_errors(false);
  return options;
}

}  // namespace

MaskRules::MaskRules(const std::vector<RuleDefinition>& rules)
    : m_set(new RE2::Set(Options(kSetMemory), RE2::UNANCHORED)) {
  for (const RuleDefinition& definition : rules) {
    MaskRule rule;
    rule.kind = definition.kind;
    rule.action = definition.action;
    rule.block = definition.block;
    std::string pattern = definition.pattern;
    if (definition.action == RuleAction::kTokens) {
      m_tokens.reset(new TokenScanner);
      m_ok = m_ok && m_tokens->ok();
      pattern = m_tokens->LeadPattern();
    }
    rule.regex.reset(new RE2(pattern, Options(kRuleMemory)));
    std::string error;
    if (!rule.regex->ok() || m_set->Add(pattern, &error) < 0) {
      VELT_LOG_MESSAGE('E', "Masking pattern %s does not compile: %s", pattern.c_str(),
                       (rule.regex->ok() ? error : rule.regex->error()).c_str());
      m_ok = false;
      continue;
    }
    auto key = rule.regex->NamedCapturingGroups().find("k");
    rule.keyGroup = key == rule.regex->NamedCapturingGroups().end() ? 0 : key->second;
    m_rules.push_back(std::move(rule));
  }
  if (!m_set->Compile()) {
    VELT_LOG_MESSAGE('E', "The set of %zu masking patterns does not fit in memory", rules.size());
    m_ok = false;
  }
}

void MaskRules::Candidates(const re2::StringPiece& text, std::vector<int>& found) const {
  found.clear();
  RE2::Set::ErrorInfo error{RE2::Set::kNoError};
  if (m_set->Match(text, &found, &error) || error.kind == RE2::Set::kNoError) {
    return;
  }
  found.clear();
  for (size_t index = 0; index < m_rules.size(); ++index) {
    found.push_back(static_cast<int>(index));
  }
}

}  // namespace mask
}  // namespace velt
